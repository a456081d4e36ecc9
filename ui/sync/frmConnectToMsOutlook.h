#pragma once
// Setting up the synchronisation: the task folder (a directory of the local task store, shown
// as its backslash path), the direction of the exchange, the advanced options of the outline,
// and a first run. A run that completes stores the folder with the outline, which enables the
// quick synchronisation.
#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class TRadioGroup;
class TSyncCommands;

// "\home\me\tasks" -> "/home/me/tasks": the directory a folder path names below the root "/".
std::string DirectoryFromFolderPath(const std::string& FolderPath);

class TfrmConnectToMsOutlook : public QDialog {
    Q_OBJECT
public:
    // Shows the outline's stored folder, if any, with the two-way exchange chosen.
    explicit TfrmConnectToMsOutlook(TSyncCommands& Sync);

    // Shows the dialog modally; true when a synchronisation was run from it to its end.
    static bool Execute(TSyncCommands& Sync);

    std::string FolderPath() const;
    void SetFolderPath(const std::string& Path);
    // 0 Outlook to outline, 1 outline to Outlook, 2 both ways.
    int Mode() const;

    void btnBrowseClick();
    void btnSyncNowClick();
    void btnAdvancedClick();
    void lbOpenSyncLogClick();

private:
    QLabel* lbOutlookFolder = nullptr;
    QLineEdit* edOutlookFolder = nullptr;
    QPushButton* btnBrowse = nullptr;
    TRadioGroup* rgSyncAction = nullptr;
    QPushButton* btnSyncNow = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnAdvanced = nullptr;
    QLabel* lbOpenSyncLog = nullptr;

    bool Synchronized = false;  // a run from this dialog completed

    TSyncCommands& sync_;
};
