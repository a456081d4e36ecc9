// Building the outline's parts that carry commands (sorting and finding, the task commands, the
// rows' drawing and drag), the Outlook commands and the help menu's links.
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <QUrl>

#include <functional>

#include "platform/StringList.h"
#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/PageControl.h"
#include "ui/outline/TaskDragDrop.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/SortFind.h"
#include "ui/outline/TaskCommands.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/sync/frmConnectToMsOutlook.h"
#include "outlooksync/OutlookSync.h"
#include "outlooksync/VdirTaskStore.h"
#include "ui/sync/OutlookSyncHost.h"
#include "ui/desktop/DesktopIntegration.h"
#include "ui/todo/ToDoPage.h"
#include "ui/places/PlacePanel.h"
#include "ui/mainwindow/WindowAction.h"

namespace {

void OpenShellTarget(const std::string& target)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(target)));
}

constexpr const char* HowItWorksPage = "/how-it-works";

} // namespace

void TfrmTovrinMain::BuildTaskCommands()
{
    // Sorting and finding come first: their commands lead the window's task commands.
    TSortFindHost sortFindHost{[this] { return views_->CurrentViewName() == ViewAllTasks; },
                               [this] {
                                   tasks_->UpdateCurrentTask();
                                   places_->UpdateCurrentPlace();
                               },
                               [this] { return pcMainPages->ActivePage() == tshOutline; },
                               [this] { return pcMainPages->ActivePage() == tshToDoList; },
                               [this] { return pcMainPages->ActivePage() == tshPlaces; },
                               [this] { return places_->lvPlaces(); },
                               [this] {
                                   if (tasks_->TaskNotesEditor())
                                       tasks_->TaskNotesEditor()->setFocus();
                               },
                               [this](bool Value) { Document().SetModified(Value); },
                               [this] { Undo().ClearUndoHistory(); }};
    sortFind_ = new TSortFind(*this, *views_->tvTasksTree(), *toDo_->tvToDo(), UILockCount, views_->TreeFillCount(), DrawLockCount, Services(),
                              std::move(sortFindHost));
    TTaskCommandsHost commandsHost{[this] { tasks_->UpdateCurrentTask(); },
                                   [this] { tasks_->ReloadCurrentTask(); },
                                   [this] { return tasks_->TaskPlacesText(); },
                                   [this] { Undo().ClearUndoHistory(); },
                                   [this](bool Value) { Document().SetModified(Value); },
                                   [this] { TreeEditing().actRefreshSubtreeExecute(); },
                                   [this](QTreeWidgetItem* Node) { views_->SyncTreeNode(Node); },
                                   [this] { TreeEditing().EndInPlaceEditing(); },
                                   [this] { return views_->VirtualRoot(); },
                                   [this](QTreeWidgetItem* Node) { views_->FillTaskTree(Node, false); },
                                   [this](bool Force) { tasks_->ShowDueDateEditor(Force); }};
    taskCommands_ = new TTaskCommands(*this, *views_->tvTasksTree(), state_, UILockCount, Services(), std::move(commandsHost));
    actConnectToOutlook = MakeWindowAction(*this, *this, "actConnectToOutlook", "Setup Outlook sync...", nullptr,
                                           &TfrmTovrinMain::actConnectToOutlookExecute);
    actQuickOutlookConnect = MakeWindowAction(*this, *this, "actQuickOutlookConnect", "Quick Outlook sync", "F9",
                                              &TfrmTovrinMain::actQuickOutlookConnectExecute);
    Howitworks1 = MakeWindowAction(*this, *this, "Howitworks1", "How it works...", nullptr,
                                   &TfrmTovrinMain::Howitworks1Click);
    VisitTovrinWebSite1 = MakeWindowAction(*this, *this, "VisitTovrinWebSite1", "Visit Tovrin Web Site", nullptr,
                                           &TfrmTovrinMain::VisitTovrinWebSite1Click);
    Proposenewfeature1 = MakeWindowAction(*this, *this, "Proposenewfeature1",
                                          "Send feedback, Propose new feature...", nullptr,
                                          &TfrmTovrinMain::Proposenewfeature1Click);
    actQuickOutlookConnect->setEnabled(false);  // enabled while the outline names an Outlook folder

    // The outline's pop-up menu: the two submenus, the due date and the sort before the virtual
    // root command.
    QAction* before = TreeEditing().actNewVirtualRoot();
    taskCommands_->AddToTreeMenu(*TreeEditing().pmnuTaskTree(), before);
    TreeEditing().pmnuTaskTree()->insertAction(before, sortFind_->actSortSubtasks());
    TreeEditing().pmnuTaskTree()->insertSeparator(before);

    // The paste command follows the clipboard, also when text is copied in another program.
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, [this] {
            RunGuarded([this] {
                if (state_.DataBase)
                    UpdateTreeActions();
            });
        });

    // The rows' drawing and the drag: the undoable move is the undo part's.
    TDragDropHost dragHost{[this] { return views_->CurrentViewName() == ViewAllTasks; },
                           [this](bool Force) { tasks_->ShowDueDateEditor(Force); },
                           [this] {
                               if (tasks_->TaskNotesEditor())
                                   tasks_->TaskNotesEditor()->setFocus();
                           },
                           [this] { tasks_->UpdateCurrentTask(); },
                           [this](TTaskNode* Task, TTaskNode* NewParent, int32_t NewIndex) {
                               Undo().UndoList()->Add(
                                   std::make_unique<TUndoDragTaskNode>(Undo().UndoView(), Task, NewParent, NewIndex));
                               Document().SetModified(true);
                               Undo().UpdateUndoRedoActions();
                           }};
    dragDrop_ = new TTaskDragDrop(*this, *views_->tvTasksTree(), *toDo_->tvToDo(), UILockCount, DrawLockCount, DrawTime,
                                  std::move(dragHost));
}

// ---- Outlook ----

void TfrmTovrinMain::actQuickOutlookConnectExecute()
{
    if (!actQuickOutlookConnect->isEnabled() || !actQuickOutlookConnect->isVisible() ||
        state_.DataBase->OutlookFolderPath.empty())
        return;
    QuickOutlookSync(this, state_.DataBase->OutlookFolderPath, 2);
}

void TfrmTovrinMain::actConnectToOutlookExecute()
{
    TreeEditing().EndInPlaceEditing();
    TfrmConnectToMsOutlook::Execute(*this);
}

bool TfrmTovrinMain::QuickOutlookSync(QWidget* AOwner, const std::string& FolderPath, int32_t Mode)
{
    // An untitled outline is saved first as well: the run's log goes beside the data file.
    if ((state_.Modified || Document().Untitled()) && !Document().SaveDocument())
        return false;
    Undo().ClearUndoHistory();
    views_->tvTasksTree()->clearSelection();

    // The run may delete tasks, and its progress window lets the window repaint meanwhile:
    // nothing shown may refer to a task while it runs. The panel, the navigation history and
    // both trees let go of them; the virtual root is looked up again afterwards.
    TTaskNode* const virtualRoot = views_->IsVirtualRootActive() ? views_->VirtualRoot() : nullptr;
    tasks_->SetCurrentTask(nullptr);
    Undo().Navigation()->Clear();
    {
        TUILock lock(UILockCount);
        views_->tvTasksTree()->clear();
        toDo_->tvToDo()->clear();
    }
    views_->LetGoOfVirtualRoot();
    // No auto-save of a half-synchronised outline.
    desktop_->tmrAutoSaveTimer()->stop();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    const auto showOutlineAgain = [this, virtualRoot] {
        desktop_->SetAutoSaveMode(desktop_->AutoSaveMode());
        if (!virtualRoot) {
            views_->RefillTaskTree();
            if (pcMainPages->ActivePage() == tshToDoList)
                toDo_->RebuildToDoList();
            return;
        }
        // Only the address is compared, against the tasks that are still there.
        bool kept = false;
        state_.DataBase->Root->ForEachNode([&](void*, TTaskNode* task) { kept = kept || task == virtualRoot; }, nullptr);
        views_->SetVirtualRoot(kept ? virtualRoot : nullptr);  // refills the tree and the To-Do list
    };
    bool result = false;
    try {
        TOutlookSyncHost host(AOwner, Services());
        result = SyncWithOutlook(*state_.DataBase, host, FolderPath, static_cast<uint8_t>(Mode), Document().FileName(),
                                 VdirApplicationFactory("/"));
    } catch (...) {
        showOutlineAgain();
        throw;
    }
    showOutlineAgain();
    Document().SaveDocument();
    UpdateTreeActions();  // a completed run stores the folder, which the quick command needs
    return result;
}

// ---- Help menu ----

void TfrmTovrinMain::Howitworks1Click()
{
    OpenShellTarget(std::string(AboutWebSite) + HowItWorksPage);
}

void TfrmTovrinMain::VisitTovrinWebSite1Click()
{
    OpenShellTarget(AboutWebSite);
}

void TfrmTovrinMain::Proposenewfeature1Click()
{
    OpenShellTarget(AboutMailLink());
}
