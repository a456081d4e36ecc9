#pragma once
// The synchronisation's two commands: setting it up (with a first run) and the quick run with
// the outline's stored folder. A run saves the outline first and lets every view of it go while
// it runs; the part asks the rest of the window for that through a narrow host.
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

class IWindowServices;
class QAction;
class QWidget;
class TTaskNode;
class TTreeViewCheckBoxes;
struct TWindowState;

// What the synchronisation commands ask of the rest of the window.
struct TSyncCommandsHost {
    // Whether the outline was never saved, and the file it was saved to.
    std::function<bool()> Untitled;
    std::function<std::string()> FileName;
    std::function<bool()> SaveDocument;
    std::function<void(bool Value)> SetModified;
    std::function<void()> EndInPlaceEditing;
    std::function<void()> ClearUndoHistory;
    std::function<void()> ClearNavigation;
    // Shows Task in the task panel (nullptr: none).
    std::function<void(TTaskNode* Task)> SetCurrentTask;
    std::function<bool()> IsVirtualRootActive;
    std::function<TTaskNode*()> VirtualRoot;
    // Sets the virtual root and refills the tree and the To-Do list.
    std::function<void(TTaskNode* Task)> SetVirtualRoot;
    // Forgets the virtual root without refilling anything.
    std::function<void()> LetGoOfVirtualRoot;
    std::function<void()> RefillTaskTree;
    std::function<bool()> ToDoPageShown;
    std::function<void()> RebuildToDoList;
    // Auto-save pauses while a run changes the outline, and runs again as set afterwards.
    std::function<void()> StopAutoSave;
    std::function<void()> RestartAutoSave;
    std::function<void()> UpdateTreeActions;
};

class TSyncCommands : public QObject {
    Q_OBJECT
public:
    // Makes the two commands on Window; Tree is the outline tree, ToDoTree the To-Do list's.
    TSyncCommands(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree, TWindowState& State,
                  int32_t& UILockCount, IWindowServices& Services, TSyncCommandsHost Host);

    // Saves the outline and runs the synchronisation with FolderPath (Mode 0 from the folder,
    // 1 to it, 2 both ways), AOwner owning its progress window; true when the run completed.
    bool QuickOutlookSync(QWidget* AOwner, const std::string& FolderPath, int32_t Mode);

    // What the setup dialog reads and changes.
    TWindowState& State() const { return state_; }
    IWindowServices& Services() const { return services_; }
    void SetModified(bool Value);
    bool Untitled() const;
    std::string FileName() const;

    QAction* actConnectToOutlook() const { return actConnectToOutlook_; }
    QAction* actQuickOutlookConnect() const { return actQuickOutlookConnect_; }

private:
    void actQuickOutlookConnectExecute();
    void actConnectToOutlookExecute();

    QWidget& window_;
    TTreeViewCheckBoxes& tvTasksTree_;
    TTreeViewCheckBoxes& tvToDo_;
    TWindowState& state_;
    int32_t& uiLockCount_;
    IWindowServices& services_;
    TSyncCommandsHost host_;
    QAction* actConnectToOutlook_ = nullptr;
    QAction* actQuickOutlookConnect_ = nullptr;
};
