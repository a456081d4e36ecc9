// The two dialogs that set up the synchronisation: their texts and layout, the options they
// read and write, picking the folder, and opening the log.
#include "SyncWindowFixture.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>

#include "outlooksync/SyncLog.h"
#include "outlooksync/VdirTaskStore.h"
#include "ui/RadioGroup.h"
#include "ui/frmConnectToMsOutlook.h"
#include "ui/frmOutlookSyncOptions.h"

namespace {

using Names = std::vector<std::string>;

Names LabelTexts(const QWidget* parent)
{
    Names texts;
    for (const QLabel* label : parent->findChildren<QLabel*>())
        texts.push_back(label->text().toStdString());
    return texts;
}

bool Shows(const QWidget* parent, const std::string& text)
{
    const Names texts = LabelTexts(parent);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(FolderPaths, DirectoriesAndFolderPathsNameEachOther)
{
    EXPECT_EQ(DirectoryFromFolderPath("\\home\\me\\tasks"), "/home/me/tasks");
    EXPECT_EQ(DirectoryFromFolderPath("\\\\home\\\\me\\tasks\\"), "/home/me/tasks");
    EXPECT_EQ(DirectoryFromFolderPath("home\\me"), "/home/me");
    EXPECT_EQ(DirectoryFromFolderPath(""), "/");
    for (const char* dir : {"/home/me/tasks", "/tmp/a b/c"})
        EXPECT_EQ(DirectoryFromFolderPath(FolderPathFromDirectory(dir)), dir);
}

TEST(SyncOptionsDialog, PagesTextsAndTheDeletedItemsChoice)
{
    TfrmOutlookSyncOptions dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Outlook Sync Options"));
    ASSERT_EQ(dialog.pcPages->count(), 2);
    EXPECT_EQ(dialog.pcPages->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(dialog.pcPages->tabText(1), QStringLiteral("Outlook Category"));
    EXPECT_TRUE(Shows(dialog.tshGeneral, "New Outlook tasks will be placed to this Tovrin project (root if empty):"));
    EXPECT_TRUE(Shows(dialog.tshCategory, "Sync only Outlook tasks with this substring in the category:"));
    EXPECT_TRUE(Shows(dialog.tshCategory, "Enter a substring to find in the Outlook category to sync this task"));
    EXPECT_TRUE(Shows(dialog.tshCategory, " or leave this field empty to sync all Outlook tasks "));
    EXPECT_TRUE(Shows(dialog.gbDeletedItems, "Assign this category for deleted in Tovrin tasks:"));
    EXPECT_EQ(dialog.gbDeletedItems->title(), QStringLiteral(" When task is deleted  in Tovrin ... "));
    ASSERT_EQ(dialog.cbDeletedItemsAction->count(), 2);
    EXPECT_EQ(dialog.cbDeletedItemsAction->itemText(0), QStringLiteral("delete it in Outlook"));
    EXPECT_EQ(dialog.cbDeletedItemsAction->itemText(1),
              QStringLiteral("do not delete it in Outlook but assign new category to it: "));
    EXPECT_FALSE(dialog.cbDeletedItemsAction->isEditable());
    EXPECT_EQ(dialog.btnOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("Cancel"));

    // Deleting: no category to type.
    dialog.SetValues("<NewOutlookTasks>", "", "");
    EXPECT_EQ(dialog.cbDeletedItemsAction->currentIndex(), 0);
    EXPECT_FALSE(dialog.edDeletedItemsCategory->isEnabled());
    EXPECT_TRUE(dialog.btnOK->isEnabled());

    // Keeping the Outlook task needs a category, or it would be deleted after all.
    dialog.cbDeletedItemsAction->setCurrentIndex(1);
    EXPECT_TRUE(dialog.edDeletedItemsCategory->isEnabled());
    EXPECT_FALSE(dialog.btnOK->isEnabled());
    dialog.edDeletedItemsCategory->setText(QStringLiteral("   "));
    EXPECT_FALSE(dialog.btnOK->isEnabled());
    dialog.edDeletedItemsCategory->setText(QStringLiteral("Deleted in Tovrin"));
    EXPECT_TRUE(dialog.btnOK->isEnabled());
    std::string parent, category, deleted;
    dialog.edOutlookCategory->setText(QStringLiteral("Work"));
    dialog.GetValues(parent, category, deleted);
    EXPECT_EQ(parent, "<NewOutlookTasks>");
    EXPECT_EQ(category, "Work");
    EXPECT_EQ(deleted, "Deleted in Tovrin");

    // Back to deleting: the typed category is not kept.
    dialog.cbDeletedItemsAction->setCurrentIndex(0);
    dialog.GetValues(parent, category, deleted);
    EXPECT_EQ(deleted, "");

    dialog.SetValues("", "Home", "Gone");
    EXPECT_EQ(dialog.cbDeletedItemsAction->currentIndex(), 1);
    EXPECT_EQ(dialog.edDeletedItemsCategory->text(), QStringLiteral("Gone"));
}

TEST(SyncOptionsDialog, ExecuteWritesBackOnlyOnOK)
{
    std::string parent = "Inbox", category = "Work", deleted;
    WhenModal<TfrmOutlookSyncOptions>([](TfrmOutlookSyncOptions& d) {
        EXPECT_EQ(d.edNewOutlookTasksParent->text(), QStringLiteral("Inbox"));
        d.edNewOutlookTasksParent->setText(QStringLiteral("Changed"));
        d.btnCancel->click();
    });
    EXPECT_FALSE(TfrmOutlookSyncOptions::Execute(parent, category, deleted));
    EXPECT_EQ(parent, "Inbox");

    WhenModal<TfrmOutlookSyncOptions>([](TfrmOutlookSyncOptions& d) {
        d.edNewOutlookTasksParent->setText(QString());
        d.edOutlookCategory->setText(QStringLiteral("Home"));
        d.cbDeletedItemsAction->setCurrentIndex(1);
        d.edDeletedItemsCategory->setText(QStringLiteral("Trash"));
        d.btnOK->click();
    });
    EXPECT_TRUE(TfrmOutlookSyncOptions::Execute(parent, category, deleted));
    EXPECT_EQ(parent, "");
    EXPECT_EQ(category, "Home");
    EXPECT_EQ(deleted, "Trash");
}

using ConnectDialogTest = SyncWindowFixture;

TEST_F(ConnectDialogTest, TextsAndStartingState)
{
    TfrmConnectToMsOutlook dialog(*window);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Exchange data with Outlook"));
    EXPECT_EQ(dialog.lbOutlookFolder->text(), QStringLiteral("Outlook folder:"));
    EXPECT_TRUE(dialog.edOutlookFolder->isReadOnly());
    EXPECT_EQ(dialog.edOutlookFolder->objectName(), QStringLiteral("edOutlookFolder"));
    EXPECT_EQ(dialog.btnBrowse->text(), QStringLiteral("&Browse..."));
    EXPECT_EQ(dialog.rgSyncAction->title(), QStringLiteral(" Tasks synchronization action  "));
    const QList<QRadioButton*> modes = dialog.rgSyncAction->findChildren<QRadioButton*>();
    ASSERT_EQ(modes.size(), 3);
    EXPECT_EQ(modes[0]->text(), QStringLiteral("Outlook ->  Tovrin      (Copy Outlook tasks to Tovrin)"));
    EXPECT_EQ(modes[1]->text(), QStringLiteral("Tovrin   ->  Outlook    (Copy Tovrin tasks to Outlook)"));
    EXPECT_EQ(modes[2]->text(), QStringLiteral("Tovrin <--> Outlook    (Synchronize tasks)"));
    EXPECT_TRUE(modes[2]->isChecked());
    EXPECT_EQ(dialog.Mode(), 2);
    modes[0]->click();
    EXPECT_EQ(dialog.Mode(), 0);
    EXPECT_EQ(dialog.btnSyncNow->text(), QStringLiteral("Sync now"));
    EXPECT_TRUE(dialog.btnSyncNow->isDefault());
    EXPECT_EQ(dialog.btnClose->text(), QStringLiteral("Close"));
    EXPECT_EQ(dialog.btnAdvanced->text(), QStringLiteral("Advanced..."));
    EXPECT_TRUE(dialog.lbOpenSyncLog->text().contains(QStringLiteral(">Open sync log<")));
    EXPECT_EQ(dialog.lbOpenSyncLog->toolTip(), QStringLiteral("Opens sync log file"));
    // No folder yet: nothing to synchronise with.
    EXPECT_EQ(dialog.edOutlookFolder->text(), QString());
    EXPECT_FALSE(dialog.btnSyncNow->isEnabled());

    // The outline's folder is shown when it has one.
    window->DataBase->OutlookFolderPath = "\\srv\\tasks";
    TfrmConnectToMsOutlook second(*window);
    EXPECT_EQ(second.FolderPath(), "\\srv\\tasks");
    EXPECT_TRUE(second.btnSyncNow->isEnabled());
}

TEST_F(ConnectDialogTest, BrowsePicksADirectoryAndShowsItsFolderPath)
{
    TfrmConnectToMsOutlook dialog(*window);
    services.Folders = {tasks.string(), ""};
    dialog.btnBrowse->click();
    EXPECT_EQ(services.FolderRequests, Names{""});
    EXPECT_EQ(dialog.FolderPath(), FolderPathFromDirectory(tasks.string()));
    EXPECT_TRUE(dialog.btnSyncNow->isEnabled());
    // A cancelled dialog keeps the folder; it started in the folder shown.
    dialog.btnBrowse->click();
    EXPECT_EQ(services.FolderRequests.back(), tasks.string());
    EXPECT_EQ(dialog.FolderPath(), FolderPathFromDirectory(tasks.string()));
    EXPECT_TRUE(services.Folders.empty());
    EXPECT_TRUE(services.Shown.empty());
}

TEST_F(ConnectDialogTest, AdvancedOptionsAreStoredWithTheOutline)
{
    TfrmConnectToMsOutlook dialog(*window);
    ASSERT_FALSE(window->Modified);
    WhenModal<TfrmOutlookSyncOptions>([](TfrmOutlookSyncOptions& d) {
        EXPECT_EQ(d.edNewOutlookTasksParent->text(), QStringLiteral("<NewOutlookTasks>"));
        d.btnOK->click();  // nothing changed
    });
    dialog.btnAdvanced->click();
    EXPECT_FALSE(window->Modified);

    WhenModal<TfrmOutlookSyncOptions>([](TfrmOutlookSyncOptions& d) {
        d.edNewOutlookTasksParent->setText(QStringLiteral("From Outlook"));
        d.edOutlookCategory->setText(QStringLiteral("Tovrin"));
        d.cbDeletedItemsAction->setCurrentIndex(1);
        d.edDeletedItemsCategory->setText(QStringLiteral("Deleted"));
        d.btnOK->click();
    });
    dialog.btnAdvanced->click();
    EXPECT_TRUE(window->Modified);
    EXPECT_EQ(window->DataBase->NewOutlookTasksParent, "From Outlook");
    EXPECT_EQ(window->DataBase->OutlookCategory, "Tovrin");
    EXPECT_EQ(window->DataBase->DeletedItemsCategory, "Deleted");

    window->SetModified(false);
    WhenModal<TfrmOutlookSyncOptions>([](TfrmOutlookSyncOptions& d) {
        EXPECT_EQ(d.cbDeletedItemsAction->currentIndex(), 1);
        d.cbDeletedItemsAction->setCurrentIndex(0);
        d.btnCancel->click();
    });
    dialog.btnAdvanced->click();
    EXPECT_FALSE(window->Modified);
    EXPECT_EQ(window->DataBase->DeletedItemsCategory, "Deleted");
}

TEST_F(ConnectDialogTest, OpenSyncLogOpensTheLogBesideTheDataFile)
{
    TfrmConnectToMsOutlook dialog(*window);
    // Untitled: there is no log.
    emit dialog.lbOpenSyncLog->linkActivated(QStringLiteral("#"));
    ASSERT_EQ(services.Shown.size(), 1u);
    EXPECT_EQ(services.Shown.back(), "Can not open log file: \"\"");

    ASSERT_TRUE(window->SaveToFile(File("plan.tvd")));
    const std::string log = SyncLogPathFor(File("plan.tvd"));
    EXPECT_EQ(log, File("plan_OutlookSync.log"));
    emit dialog.lbOpenSyncLog->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(services.Shown.back(), "Can not open log file: \"" + log + "\"");

    std::ofstream(log) << "2024-05-06 12:00:00 Sync started\r\n";
    QTextBrowser opened;  // stands in for the system's text editor
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "setSource");
    services.Shown.clear();
    emit dialog.lbOpenSyncLog->linkActivated(QStringLiteral("#"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(services.Shown.empty());
    EXPECT_EQ(opened.source(), QUrl::fromLocalFile(QString::fromStdString(log)));
}

} // namespace
