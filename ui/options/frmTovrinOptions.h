#pragma once
// The options dialog: the registered option sheets as a tree on the left, the selected sheet
// on the right, OK, Cancel and Apply. A sheet is made when its node is first shown and applied
// only then; sheets never shown keep their settings untouched.
#include <QDialog>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/options/OptionsSheetRegistry.h"

class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TfrmTovrinMain;

// The data of one tree node; it owns the sheet once made.
class TOptionItem {
public:
    explicit TOptionItem(TSheetClass SheetClass) : SheetClass(SheetClass) {}
    ~TOptionItem();
    TOptionItem(const TOptionItem&) = delete;
    TOptionItem& operator=(const TOptionItem&) = delete;

    TSheetClass SheetClass;
    TOptionsSheetBase* Sheet = nullptr;
};

class TTovrinOptions : public QDialog {
    Q_OBJECT
public:
    // Builds the tree from Sheets (the process-wide registry by default).
    explicit TTovrinOptions(TfrmTovrinMain* MainForm, const TSheetList* Sheets = OptionsSheets());
    ~TTovrinOptions() override;

    // Shows the dialog modally; returns whether any sheet reported a change.
    static bool Execute(TfrmTovrinMain* MainForm);

    // The main window, which the sheets read and write.
    TfrmTovrinMain* MainForm;
    // Mirrors the Apply button.
    bool Changed = false;
    // Some sheet reported a change during this run of the dialog.
    bool AnyChange = false;
    // Delay before a newly selected node shows its sheet (ms); 0 shows it at once.
    int32_t ChangeDelay = 0;

    void SetChanged(bool Value);
    // Applies every sheet made so far, in tree order.
    void ApplySheets();
    TOptionsSheetBase* CurrentSheet() const { return currentSheet_; }
    TOptionItem* ItemOf(const QTreeWidgetItem* Node) const;
    QTreeWidgetItem* FindNode(const std::string& Name) const;

    QTreeWidget* tvOptions = nullptr;
    QWidget* pnlOptionsSheet = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnApply = nullptr;

private:
    void BuildTree(const TSheetList& Sheets);
    QTreeWidgetItem* AddNode(const TSheetList& Sheets, int32_t Index, std::vector<QTreeWidgetItem*>& Nodes,
                             int32_t Depth);
    void tvOptionsChange();
    void ShowSelectedSheet();
    void btnOKClick();
    void btnApplyClick();

    std::vector<std::unique_ptr<TOptionItem>> items_;
    std::map<std::string, QTreeWidgetItem*> nodesByName_;
    TOptionsSheetBase* currentSheet_ = nullptr;
    int32_t buildLock_ = 0;
    QTimer* changeTimer_ = nullptr;
};
