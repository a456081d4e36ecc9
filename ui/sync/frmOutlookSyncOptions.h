#pragma once
// The synchronisation options stored with the outline: the top-level task that receives new
// Outlook tasks, the category that limits the synchronisation, and what becomes of an Outlook
// task whose task was deleted here (deleted too, or given a category instead).
#include <QDialog>

#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TfrmOutlookSyncOptions : public QDialog {
    Q_OBJECT
public:
    TfrmOutlookSyncOptions();

    // Shows the dialog modally. On OK the three values receive the choices and the result is
    // true; on Cancel they are left as they were. An empty DeletedItemsCategory means that the
    // Outlook task is deleted.
    static bool Execute(std::string& NewOutlookTasksParent, std::string& OutlookCategory,
                        std::string& DeletedItemsCategory);

    void SetValues(const std::string& NewOutlookTasksParent, const std::string& OutlookCategory,
                   const std::string& DeletedItemsCategory);
    void GetValues(std::string& NewOutlookTasksParent, std::string& OutlookCategory,
                   std::string& DeletedItemsCategory) const;

private:
    QTabWidget* pcPages = nullptr;
    QWidget* tshGeneral = nullptr;
    QWidget* tshCategory = nullptr;
    QLineEdit* edNewOutlookTasksParent = nullptr;
    QLineEdit* edOutlookCategory = nullptr;
    QGroupBox* gbDeletedItems = nullptr;
    QComboBox* cbDeletedItemsAction = nullptr;  // 0 delete in Outlook, 1 assign a category
    QLabel* lbDeletedItemsCategory = nullptr;
    QLineEdit* edDeletedItemsCategory = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The category edit is open only for "assign a category"; OK needs a category there, so
    // that choosing to keep the Outlook tasks never ends in deleting them.
    void UpdateControls();
};
