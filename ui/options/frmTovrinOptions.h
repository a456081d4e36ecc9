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
class TWindowOptions;

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
    explicit TTovrinOptions(TWindowOptions* Options, const TSheetList* Sheets = OptionsSheets());
    ~TTovrinOptions() override;

    // Shows the dialog modally; returns whether any sheet reported a change.
    static bool Execute(TWindowOptions* Options);

    // The window's options, which the sheets read and write.
    TWindowOptions* WindowOptions() const { return options_; }
    // Mirrors the Apply button.
    bool Changed() const { return changed_; }
    // Some sheet reported a change during this run of the dialog.
    bool AnyChange() const { return anyChange_; }

    void SetChanged(bool Value);
    // Applies every sheet made so far, in tree order.
    void ApplySheets();
    TOptionsSheetBase* CurrentSheet() const { return currentSheet_; }
    TOptionItem* ItemOf(const QTreeWidgetItem* Node) const;
    QTreeWidgetItem* FindNode(const std::string& Name) const;

private:
    void BuildTree(const TSheetList& Sheets);
    QTreeWidgetItem* AddNode(const TSheetList& Sheets, int32_t Index, std::vector<QTreeWidgetItem*>& Nodes,
                             int32_t Depth);
    void tvOptionsChange();
    void ShowSelectedSheet();
    void btnOKClick();
    void btnApplyClick();

    TWindowOptions* options_;
    bool changed_ = false;
    bool anyChange_ = false;
    // Delay before a newly selected node shows its sheet (ms); 0 shows it at once.
    int32_t ChangeDelay = 0;
    QTreeWidget* tvOptions = nullptr;
    QWidget* pnlOptionsSheet = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnApply = nullptr;
    std::vector<std::unique_ptr<TOptionItem>> items_;
    std::map<std::string, QTreeWidgetItem*> nodesByName_;
    TOptionsSheetBase* currentSheet_ = nullptr;
    int32_t buildLock_ = 0;
    QTimer* changeTimer_ = nullptr;
};
