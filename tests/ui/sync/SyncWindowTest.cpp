// Setting up and running the synchronisation from the window against a folder of task files:
// the tasks come into the outline, the folder is stored with it, the quick command follows; and
// tasks that a run deletes leave nothing in the window referring to them.
#include "SyncWindowFixture.h"

#include <gmock/gmock.h>

#include <QAction>
#include <QPushButton>

#include "outlooksync/VdirTaskStore.h"
#include "ui/controls/PageControl.h"
#include "ui/sync/frmConnectToMsOutlook.h"

namespace {

using ::testing::UnorderedElementsAre;

class SyncWindowTest : public SyncWindowFixture {
protected:
    // Sets the outline up with the folder through the dialog, as a user does, and saves it as
    // plan.tvd on the way.
    void ConnectThroughTheDialog()
    {
        WriteTaskFile("alpha.ics", "alpha-1@example.org", "Alpha");
        WriteTaskFile("beta.ics", "beta-1@example.org", "Beta");
        services.Folders = {tasks};
        services.SaveFiles = {{File("plan.tvd")}};  // the untitled outline is saved first
        WhenModal<TfrmConnectToMsOutlook>([](TfrmConnectToMsOutlook& d) {
            Named<QPushButton>(d, "btnBrowse")->click();
            EXPECT_EQ(d.Mode(), 2);
            Named<QPushButton>(d, "btnSyncNow")->click();
            if (d.isVisible()) {
                ADD_FAILURE() << "the dialog stayed open after the run";
                d.reject();
            }
        });
        Named<QAction>(*window, "actConnectToOutlook")->trigger();
    }

    // Runs the quick synchronisation (F9) an hour later.
    void QuickSyncLater()
    {
        now += 1.0 / 24;
        ASSERT_TRUE(Named<QAction>(*window, "actQuickOutlookConnect")->isEnabled());
        Named<QAction>(*window, "actQuickOutlookConnect")->trigger();
        QApplication::processEvents();
    }

    bool BannerShown() const { return !window->Part<TOutlineViews>().pnlVirtualRoot()->isHidden(); }

    bool InOutline(const TTaskNode* task) const
    {
        bool found = false;
        Root()->ForEachNode([&](void*, TTaskNode* t) { found = found || t == task; }, nullptr);
        return found;
    }

    // Whatever the window refers to after a run is part of the outline.
    void ExpectOnlyLiveTasksReferred() const
    {
        EXPECT_TRUE(!window->State().CurrentTask || InOutline(window->State().CurrentTask));
        for (int32_t i = 0; i < window->Part<TUndoNavigation>().Navigation()->Count(); ++i)
            EXPECT_TRUE(InOutline(window->Part<TUndoNavigation>().Navigation()->Items(i)));
        EXPECT_TRUE(InOutline(window->Part<TOutlineViews>().VirtualRoot()));
        for (QTreeWidget* tree : {static_cast<QTreeWidget*>(window->Part<TOutlineViews>().tvTasksTree()), static_cast<QTreeWidget*>(window->Part<TToDoPage>().tvToDo())})
            for (QTreeWidgetItemIterator it(tree); *it; ++it) {
                TTaskNode* task = TTreeEditing::NodeTask(*it);
                EXPECT_TRUE(!task || InOutline(task)) << (*it)->text(0).toStdString();
            }
    }
};

TEST_F(SyncWindowTest, SetupRunBringsTheTasksInAndStoresTheFolder)
{
    ASSERT_FALSE(Named<QAction>(*window, "actQuickOutlookConnect")->isEnabled());
    ConnectThroughTheDialog();
    EXPECT_TRUE(services.Shown.empty()) << services.Shown.front();

    // The new tasks sit below the parent for new tasks; the outline's own task went across.
    EXPECT_EQ(Texts(window->Part<TOutlineViews>().tvTasksTree()), (Names{"New Task", "<NewOutlookTasks>"}));
    EXPECT_THAT(Texts(window->Part<TOutlineViews>().tvTasksTree(), Node("<NewOutlookTasks>")), UnorderedElementsAre("Alpha", "Beta"));
    EXPECT_EQ(TaskFileCount(), 4u);
    EXPECT_FALSE(window->Part<TDocumentLifecycle>().Untitled());
    EXPECT_EQ(window->Part<TDocumentLifecycle>().FileName(), File("plan.tvd"));
    EXPECT_FALSE(window->State().Modified);
    EXPECT_EQ(window->State().DataBase->OutlookFolderPath, FolderPathFromDirectory(tasks));
    EXPECT_TRUE(Named<QAction>(*window, "actQuickOutlookConnect")->isEnabled());
    EXPECT_TRUE(std::filesystem::exists(File("plan_OutlookSync.log")));

    // The folder was saved with the outline.
    window->Part<TDocumentLifecycle>().OpenDocument(File("plan.tvd"));
    EXPECT_EQ(window->State().DataBase->OutlookFolderPath, FolderPathFromDirectory(tasks));
    EXPECT_TRUE(Named<QAction>(*window, "actQuickOutlookConnect")->isEnabled());

    // F9 now runs with the stored folder; nothing new comes in.
    QuickSyncLater();
    EXPECT_TRUE(services.Shown.empty());
    EXPECT_THAT(Texts(window->Part<TOutlineViews>().tvTasksTree(), Node("<NewOutlookTasks>")), UnorderedElementsAre("Alpha", "Beta"));
    EXPECT_EQ(TaskFileCount(), 4u);
}

TEST_F(SyncWindowTest, AFailedRunKeepsTheDialogOpenAndStoresNothing)
{
    services.SaveFiles = {{File("plan.tvd")}};
    services.Answers = {idNo};  // no look at the log
    WhenModal<TfrmConnectToMsOutlook>([this](TfrmConnectToMsOutlook& d) {
        d.SetFolderPath(FolderPathFromDirectory(File("missing")));
        Named<QPushButton>(d, "btnSyncNow")->click();
        EXPECT_TRUE(d.isVisible());
        Named<QPushButton>(d, "btnClose")->click();
    });
    Named<QAction>(*window, "actConnectToOutlook")->trigger();
    ASSERT_EQ(services.Shown.size(), 2u);
    EXPECT_EQ(services.Shown[0].rfind("Error to exchange data with Outlook: ", 0), 0u) << services.Shown[0];
    EXPECT_EQ(services.Shown[1], "There are warnings or errors during sync process. Would you like to open the log file for more details?");
    EXPECT_TRUE(window->State().DataBase->OutlookFolderPath.empty());
    EXPECT_FALSE(Named<QAction>(*window, "actQuickOutlookConnect")->isEnabled());
    EXPECT_EQ(Texts(window->Part<TOutlineViews>().tvTasksTree()), Names{"New Task"});
}

TEST_F(SyncWindowTest, ATaskDeletedByTheRunLeavesThePanelTheHistoryAndTheVirtualRoot)
{
    ConnectThroughTheDialog();
    ASSERT_TRUE(Task("Alpha"));
    // Beta, then Alpha as the current task: Beta is in the history. Alpha becomes the virtual
    // root with a subtask of its own, and the To-Do page shows.
    window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(Node("Beta"));
    window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(Node("Alpha"));
    ASSERT_EQ(window->State().CurrentTask, Task("Alpha"));
    Task("Alpha")->AddChild("Alpha step", -1);
    window->Part<TOutlineViews>().SetVirtualRoot(Task("Alpha"));
    ASSERT_TRUE(BannerShown());
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
    QApplication::processEvents();

    std::filesystem::remove(tasks + "/alpha.ics");
    QuickSyncLater();
    EXPECT_TRUE(services.Shown.empty()) << services.Shown.front();

    EXPECT_EQ(Task("Alpha"), nullptr);
    ExpectOnlyLiveTasksReferred();
    // The virtual root went with its task; its subtask moved to the parent for new tasks.
    EXPECT_EQ(window->Part<TOutlineViews>().VirtualRoot(), Root());
    EXPECT_FALSE(BannerShown());
    EXPECT_THAT(Texts(window->Part<TOutlineViews>().tvTasksTree(), Node("<NewOutlookTasks>")), UnorderedElementsAre("Alpha step", "Beta"));
    for (const std::string& entry : Texts(window->Part<TToDoPage>().tvToDo()))
        EXPECT_NE(entry, "Alpha");
    EXPECT_FALSE(window->State().Modified);

    // Back on the outline, the window works on as usual.
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshOutline());
    window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(Node("Beta"));
    EXPECT_EQ(window->State().CurrentTask, Task("Beta"));
}

TEST_F(SyncWindowTest, AVirtualRootThatSurvivesTheRunStays)
{
    ConnectThroughTheDialog();
    window->Part<TOutlineViews>().SetVirtualRoot(Task("<NewOutlookTasks>"));
    window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(Node("Alpha"));
    window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(Node("Beta"));
    ASSERT_EQ(window->State().CurrentTask, Task("Beta"));
    WriteTaskFile("gamma.ics", "gamma-1@example.org", "Gamma");
    std::filesystem::remove(tasks + "/beta.ics");

    QuickSyncLater();
    EXPECT_TRUE(services.Shown.empty()) << services.Shown.front();
    EXPECT_EQ(window->Part<TOutlineViews>().VirtualRoot(), Task("<NewOutlookTasks>"));
    EXPECT_TRUE(BannerShown());
    EXPECT_THAT(Texts(window->Part<TOutlineViews>().tvTasksTree()), UnorderedElementsAre("Alpha", "Gamma"));
    EXPECT_EQ(Task("Beta"), nullptr);
    ExpectOnlyLiveTasksReferred();
}

} // namespace
