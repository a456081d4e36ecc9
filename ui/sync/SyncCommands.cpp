#include "ui/sync/SyncCommands.h"

#include <QAction>
#include <QApplication>

#include "outlooksync/OutlookSync.h"
#include "outlooksync/VdirTaskStore.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowAction.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/sync/OutlookSyncHost.h"
#include "ui/sync/frmConnectToMsOutlook.h"

TSyncCommands::TSyncCommands(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree,
                             TWindowState& State, int32_t& UILockCount, IWindowServices& Services,
                             TSyncCommandsHost Host)
    : QObject(&Window), window_(Window), tvTasksTree_(Tree), tvToDo_(ToDoTree), state_(State),
      uiLockCount_(UILockCount), services_(Services), host_(std::move(Host))
{
    actConnectToOutlook_ = MakeWindowAction(window_, *this, "actConnectToOutlook", "Setup Outlook sync...", nullptr,
                                            &TSyncCommands::actConnectToOutlookExecute);
    actQuickOutlookConnect_ = MakeWindowAction(window_, *this, "actQuickOutlookConnect", "Quick Outlook sync", "F9",
                                               &TSyncCommands::actQuickOutlookConnectExecute);
    actQuickOutlookConnect_->setEnabled(false);  // enabled while the outline names an Outlook folder
}

void TSyncCommands::SetModified(bool Value)
{
    host_.SetModified(Value);
}

bool TSyncCommands::Untitled() const
{
    return host_.Untitled();
}

std::string TSyncCommands::FileName() const
{
    return host_.FileName();
}

void TSyncCommands::actQuickOutlookConnectExecute()
{
    if (!actQuickOutlookConnect_->isEnabled() || !actQuickOutlookConnect_->isVisible() ||
        state_.DataBase->OutlookFolderPath.empty())
        return;
    QuickOutlookSync(&window_, state_.DataBase->OutlookFolderPath, 2);
}

void TSyncCommands::actConnectToOutlookExecute()
{
    host_.EndInPlaceEditing();
    TfrmConnectToMsOutlook::Execute(*this);
}

bool TSyncCommands::QuickOutlookSync(QWidget* AOwner, const std::string& FolderPath, int32_t Mode)
{
    // An untitled outline is saved first as well: the run's log goes beside the data file.
    if ((state_.Modified || host_.Untitled()) && !host_.SaveDocument())
        return false;
    host_.ClearUndoHistory();
    tvTasksTree_.clearSelection();

    // The run may delete tasks, and its progress window lets the window repaint meanwhile:
    // nothing shown may refer to a task while it runs. The panel, the navigation history and
    // both trees let go of them; the virtual root is looked up again afterwards.
    TTaskNode* const virtualRoot = host_.IsVirtualRootActive() ? host_.VirtualRoot() : nullptr;
    host_.SetCurrentTask(nullptr);
    host_.ClearNavigation();
    {
        TUILock lock(uiLockCount_);
        tvTasksTree_.clear();
        tvToDo_.clear();
    }
    host_.LetGoOfVirtualRoot();
    // No auto-save of a half-synchronised outline.
    host_.StopAutoSave();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    const auto showOutlineAgain = [this, virtualRoot] {
        host_.RestartAutoSave();
        if (!virtualRoot) {
            host_.RefillTaskTree();
            if (host_.ToDoPageShown())
                host_.RebuildToDoList();
            return;
        }
        // Only the address is compared, against the tasks that are still there.
        bool kept = false;
        state_.DataBase->Root->ForEachNode([&](void*, TTaskNode* task) { kept = kept || task == virtualRoot; }, nullptr);
        host_.SetVirtualRoot(kept ? virtualRoot : nullptr);  // refills the tree and the To-Do list
    };
    bool result = false;
    try {
        TOutlookSyncHost host(AOwner, services_);
        result = SyncWithOutlook(*state_.DataBase, host, FolderPath, static_cast<uint8_t>(Mode), host_.FileName(),
                                 VdirApplicationFactory("/"));
    } catch (...) {
        showOutlineAgain();
        throw;
    }
    showOutlineAgain();
    host_.SaveDocument();
    host_.UpdateTreeActions();  // a completed run stores the folder, which the quick command needs
    return result;
}
