// The two dialogs that set up the synchronisation: their texts and layout, the options they
// read and write, picking the folder, and opening the log.
#include "SyncWindowFixture.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QUrl>

#include "outlooksync/SyncLog.h"
#include "outlooksync/VdirTaskStore.h"
#include "ui/controls/RadioGroup.h"
#include "ui/sync/SyncCommands.h"
#include "ui/sync/frmConnectToMsOutlook.h"
#include "ui/sync/frmOutlookSyncOptions.h"

namespace {

TEST(FolderPaths, DirectoriesAndFolderPathsNameEachOther)
{
    EXPECT_EQ(DirectoryFromFolderPath("\\home\\me\\tasks"), "/home/me/tasks");
    EXPECT_EQ(DirectoryFromFolderPath("\\\\home\\\\me\\tasks\\"), "/home/me/tasks");
    EXPECT_EQ(DirectoryFromFolderPath("home\\me"), "/home/me");
    EXPECT_EQ(DirectoryFromFolderPath(""), "/");
    for (const char* dir : {"/home/me/tasks", "/tmp/a b/c"})
        EXPECT_EQ(DirectoryFromFolderPath(FolderPathFromDirectory(dir)), dir);
}

TEST(SyncOptionsDialog, TheDeletedItemsChoice)
{
    TfrmOutlookSyncOptions dialog;
    auto* action = Named<QComboBox>(dialog, "cbDeletedItemsAction");
    auto* deletedCategory = Named<QLineEdit>(dialog, "edDeletedItemsCategory");
    auto* ok = Named<QPushButton>(dialog, "btnOK");
    EXPECT_FALSE(action->isEditable());
    // Deleting: no category to type.
    dialog.SetValues("<NewOutlookTasks>", "", "");
    EXPECT_EQ(action->currentIndex(), 0);
    EXPECT_FALSE(deletedCategory->isEnabled());
    EXPECT_TRUE(ok->isEnabled());

    // Keeping the Outlook task needs a category, or it would be deleted after all.
    action->setCurrentIndex(1);
    EXPECT_TRUE(deletedCategory->isEnabled());
    EXPECT_FALSE(ok->isEnabled());
    deletedCategory->setText(QStringLiteral("   "));
    EXPECT_FALSE(ok->isEnabled());
    deletedCategory->setText(QStringLiteral("Deleted in Tovrin"));
    EXPECT_TRUE(ok->isEnabled());
    std::string parent, category, deleted;
    Named<QLineEdit>(dialog, "edOutlookCategory")->setText(QStringLiteral("Work"));
    dialog.GetValues(parent, category, deleted);
    EXPECT_EQ(parent, "<NewOutlookTasks>");
    EXPECT_EQ(category, "Work");
    EXPECT_EQ(deleted, "Deleted in Tovrin");

    // Back to deleting: the typed category is not kept.
    action->setCurrentIndex(0);
    dialog.GetValues(parent, category, deleted);
    EXPECT_EQ(deleted, "");

    dialog.SetValues("", "Home", "Gone");
    EXPECT_EQ(action->currentIndex(), 1);
    EXPECT_EQ(deletedCategory->text(), QStringLiteral("Gone"));
}

using ConnectDialogTest = SyncWindowFixture;

TEST_F(ConnectDialogTest, StartingState)
{
    TfrmConnectToMsOutlook dialog(window->Part<TSyncCommands>());
    EXPECT_TRUE(Named<QLineEdit>(dialog, "edOutlookFolder")->isReadOnly());
    const QList<QRadioButton*> modes = Named<TRadioGroup>(dialog, "rgSyncAction")->findChildren<QRadioButton*>();
    ASSERT_EQ(modes.size(), 3);
    EXPECT_TRUE(modes[2]->isChecked());
    EXPECT_EQ(dialog.Mode(), 2);
    modes[0]->click();
    EXPECT_EQ(dialog.Mode(), 0);
    EXPECT_TRUE(Named<QPushButton>(dialog, "btnSyncNow")->isDefault());
    // No folder yet: nothing to synchronise with.
    EXPECT_EQ(Named<QLineEdit>(dialog, "edOutlookFolder")->text(), QString());
    EXPECT_FALSE(Named<QPushButton>(dialog, "btnSyncNow")->isEnabled());

    // The outline's folder is shown when it has one.
    window->State().DataBase->OutlookFolderPath = "\\srv\\tasks";
    TfrmConnectToMsOutlook second(window->Part<TSyncCommands>());
    EXPECT_EQ(second.FolderPath(), "\\srv\\tasks");
    EXPECT_TRUE(Named<QPushButton>(second, "btnSyncNow")->isEnabled());
}

TEST_F(ConnectDialogTest, BrowsePicksADirectoryAndShowsItsFolderPath)
{
    TfrmConnectToMsOutlook dialog(window->Part<TSyncCommands>());
    services.Folders = {tasks, ""};
    Named<QPushButton>(dialog, "btnBrowse")->click();
    EXPECT_EQ(services.FolderRequests, Names{""});
    EXPECT_EQ(dialog.FolderPath(), FolderPathFromDirectory(tasks));
    EXPECT_TRUE(Named<QPushButton>(dialog, "btnSyncNow")->isEnabled());
    // A cancelled dialog keeps the folder; it started in the folder shown.
    Named<QPushButton>(dialog, "btnBrowse")->click();
    EXPECT_EQ(services.FolderRequests.back(), tasks);
    EXPECT_EQ(dialog.FolderPath(), FolderPathFromDirectory(tasks));
    EXPECT_TRUE(services.Folders.empty());
    EXPECT_TRUE(services.Shown.empty());
}

TEST_F(ConnectDialogTest, AdvancedOptionsAreStoredWithTheOutline)
{
    TfrmConnectToMsOutlook dialog(window->Part<TSyncCommands>());
    ASSERT_FALSE(window->State().Modified);
    WhenModal<TfrmOutlookSyncOptions>([](TfrmOutlookSyncOptions& d) {
        EXPECT_EQ(Named<QLineEdit>(d, "edNewOutlookTasksParent")->text(), QStringLiteral("<NewOutlookTasks>"));
        Named<QPushButton>(d, "btnOK")->click();  // nothing changed
    });
    Named<QPushButton>(dialog, "btnAdvanced")->click();
    EXPECT_FALSE(window->State().Modified);

    WhenModal<TfrmOutlookSyncOptions>([](TfrmOutlookSyncOptions& d) {
        Named<QLineEdit>(d, "edNewOutlookTasksParent")->setText(QStringLiteral("From Outlook"));
        Named<QLineEdit>(d, "edOutlookCategory")->setText(QStringLiteral("Tovrin"));
        Named<QComboBox>(d, "cbDeletedItemsAction")->setCurrentIndex(1);
        Named<QLineEdit>(d, "edDeletedItemsCategory")->setText(QStringLiteral("Deleted"));
        Named<QPushButton>(d, "btnOK")->click();
    });
    Named<QPushButton>(dialog, "btnAdvanced")->click();
    EXPECT_TRUE(window->State().Modified);
    EXPECT_EQ(window->State().DataBase->NewOutlookTasksParent, "From Outlook");
    EXPECT_EQ(window->State().DataBase->OutlookCategory, "Tovrin");
    EXPECT_EQ(window->State().DataBase->DeletedItemsCategory, "Deleted");

    window->Part<TDocumentLifecycle>().SetModified(false);
    WhenModal<TfrmOutlookSyncOptions>([](TfrmOutlookSyncOptions& d) {
        EXPECT_EQ(Named<QComboBox>(d, "cbDeletedItemsAction")->currentIndex(), 1);
        Named<QComboBox>(d, "cbDeletedItemsAction")->setCurrentIndex(0);
        Named<QPushButton>(d, "btnCancel")->click();
    });
    Named<QPushButton>(dialog, "btnAdvanced")->click();
    EXPECT_FALSE(window->State().Modified);
    EXPECT_EQ(window->State().DataBase->DeletedItemsCategory, "Deleted");
}

TEST_F(ConnectDialogTest, OpenSyncLogOpensTheLogBesideTheDataFile)
{
    TfrmConnectToMsOutlook dialog(window->Part<TSyncCommands>());
    // Untitled: there is no log.
    emit Named<QLabel>(dialog, "lbOpenSyncLog")->linkActivated(QStringLiteral("#"));
    ASSERT_EQ(services.Shown.size(), 1u);
    EXPECT_EQ(services.Shown.back(), "Can not open log file: \"\"");

    ASSERT_TRUE(window->Part<TDocumentLifecycle>().SaveToFile(File("plan.tvd")));
    const std::string log = SyncLogPathFor(File("plan.tvd"));
    EXPECT_EQ(log, File("plan_OutlookSync.log"));
    emit Named<QLabel>(dialog, "lbOpenSyncLog")->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(services.Shown.back(), "Can not open log file: \"" + log + "\"");

    WriteAll(log, "2024-05-06 12:00:00 Sync started\r\n");
    QTextBrowser opened;  // stands in for the system's text editor
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "setSource");
    services.Shown.clear();
    emit Named<QLabel>(dialog, "lbOpenSyncLog")->linkActivated(QStringLiteral("#"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(services.Shown.empty());
    EXPECT_EQ(opened.source(), QUrl::fromLocalFile(QString::fromStdString(log)));
}

} // namespace
