#include "ui/mainwindow/TovrinMain.h"

#include "ui/mainwindow/DocumentLifecycle.h"
#include "ui/outline/TreeEditing.h"
#include "ui/undo/UndoNavigation.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/MainPages.h"
#include "ui/options/QtFont.h"
#include "ui/mainwindow/SharedShortcuts.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/ClipboardLines.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/exchange/ImportExport.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/SortFind.h"
#include "ui/outline/TaskCommands.h"
#include "ui/outline/TaskDragDrop.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/undo/UndoList.h"
#include "ui/todo/ToDoPage.h"
#include "ui/desktop/DesktopIntegration.h"
#include "ui/desktop/WindowPlacement.h"
#include "ui/options/WindowOptions.h"
#include "ui/todo/ToDoFilterPanel.h"
#include "ui/dialogs/QtZipHost.h"
#include "ui/mainwindow/WindowAction.h"
#include "ui/desktop/ToolIcon.h"  // the tray hint
#include "ui/dialogs/HelpCommands.h"
#include "ui/undo/OutlineUndo.h"
#include "ui/sync/SyncCommands.h"

namespace {

// Brings the undo commands up to date. Editors and focus changes still report while the window
// is being destroyed; by then it is no main window any more, and nothing is refreshed.
std::function<void()> UndoActionsUpdater(QObject& Window)
{
    return [window = &Window] {
        if (auto* whole = qobject_cast<TfrmTovrinMain*>(window))
            whole->Part<TUndoNavigation>().UpdateUndoRedoActions();
    };
}

} // namespace

TfrmTovrinMain::TfrmTovrinMain(TMainWindowEnvironment Environment, QWidget* parent)
    : QMainWindow(parent), environment_(std::move(Environment))
{
    if (environment_.Services) {
        services_ = environment_.Services;
    } else {
        ownServices_ = std::make_unique<TQtUiServices>();
        services_ = ownServices_.get();
    }
    SetUiServices(services_);
    zipHost_ = std::make_unique<TZipHostInstaller>();
    if (environment_.CurrentDir.empty())
        environment_.CurrentDir = QDir::currentPath().toStdString();
    if (environment_.ProgramDir.empty())
        environment_.ProgramDir = QCoreApplication::applicationDirPath().toStdString();

    BuildControls();
    BuildPlacePanel();  // its actions before the shared keys are bound
    BuildUndoAndNavigation();  // undo and navigation (undo/UndoNavigation.h), Delete task
    BuildDocument();  // New, Open, Save (mainwindow/DocumentLifecycle.h)
    BuildActions();
    tasks_->BuildPropertyPanel();  // the task panel's tabs and notes (taskpanel/TaskPanel.h)
    outlineUndo_->AddToTreeMenu(*treeEditing_->pmnuTaskTree());  // Delete task ends the outline's pop-up menu
    toDo_->BuildToDoPage();
    places_->BuildPlacesPage();
    BuildTaskCommands();  // task commands, tree drawing and drag (TovrinMainCommands.cpp)
    BuildSyncCommands();  // the Outlook commands (sync/SyncCommands.h)
    BuildExchange();
    BuildSettings();  // tray icon, hot key, auto-save timer, Tools > Options (TovrinMainSettings.cpp)
    help_ = new THelpCommands(*this);  // the Help menu (dialogs/HelpCommands.h)
    BuildMenuBar();
    pages_->HookPageChanges();

    state_.DataBase = std::make_unique<TTovrinDataBase>();
    views_->LetGoOfVirtualRoot();
    places_->SetCurrentPlace(nullptr);
    tasks_->SetCurrentTask(nullptr);

    DrawTime = Now();
    undo_->UpdateUndoRedoActions();
    {
        TUILock lock(UILockCount);
        pages_->ShowOutline();
        pages_->pcMainPages()->setFocus();
        views_->ShowTaskTreeFilterPanel(false);
    }
    views_->FillTaskTreeViewCombo();
    views_->SetCurrentViewName(std::string());
    views_->SetTaskTreeView(ViewAllTasks);
    options_->LoadSettings();
    if (desktop_->HotKeyActive())
        desktop_->RegisterSystemHotKey();
    document_->NewEmptyDocument();
    document_->SetModified(false);

    resize(740, 500);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();  // the whole screen, panels included
        const TWindowPosition position = CenteredWindowPosition(
            TScreenRect{area.x(), area.y(), area.width(), area.height()}, width(), height());
        move(position.Left, position.Top);
    }
    // The start-up outline is opened from the event loop, once the window shows.
    if (environment_.PostStartupMessage)
        QTimer::singleShot(0, this, [this] { RunGuarded([this] { document_->OpenStartupFile(); }); });
}

TfrmTovrinMain::~TfrmTovrinMain()
{
    FormDestroy();
}

void TfrmTovrinMain::FormDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    ++UILockCount;  // no change handler runs while the controls go
    // The focus leaves now, while the window is whole, not when its editor is destroyed.
    if (QWidget* focused = QApplication::focusWidget(); focused && isAncestorOf(focused))
        focused->clearFocus();
    state_.CurrentTask = nullptr;
    state_.CurrentPlace = nullptr;
    // The undo history and the navigation refer to tasks of the document: they go first, the
    // document after them.
    undo_->ReleaseHistories();
    views_->tvTasksTree()->clear();
    toDo_->tvToDo()->clear();
    state_.DataBase.reset();
    document_->UnlockDataFile();
    zipHost_.reset();
    if (&UiServices() == services_)
        SetUiServices(nullptr);
}

void TfrmTovrinMain::BuildControls()
{
    splMain = new QSplitter(Qt::Horizontal, this);
    setCentralWidget(splMain);

    BuildPages();

    // Outline page: virtual-root banner, view panel, outline tree.
    QWidget* tshOutline = pages_->tshOutline();
    auto* outlineLayout = new QVBoxLayout(tshOutline);
    outlineLayout->setContentsMargins(2, 2, 2, 2);
    outlineLayout->setSpacing(2);
    TOutlineViewsHost viewsHost;
    viewsHost.FlushTaskEdits = [this] { tasks_->UpdateCurrentTask(); };
    viewsHost.FlushPlaceEdits = [this] { places_->UpdateCurrentPlace(); };
    viewsHost.UpdateTreeActions = [this] { UpdateTreeActions(); };
    viewsHost.ShowToDoBanner = [this](const QString& Text) { toDo_->ShowVirtualRootBanner(Text); };
    viewsHost.RebuildShownToDoList = [this] {
        if (pages_->ToDoShown())
            toDo_->RebuildToDoList();
    };
    viewsHost.GoalsShown = [this] { return options_->ShowGoals(); };
    viewsHost.ProjectsShown = [this] { return options_->ShowProject(); };
    viewsHost.ShowOutlinePage = [this](bool KeepToDoPage) {
        if (!(KeepToDoPage && pages_->ToDoShown()))
            pages_->ShowOutline();
    };
    views_ = new TOutlineViews(*this, *tshOutline, state_, UILockCount, std::move(viewsHost));
    outlineLayout->addWidget(views_->pnlVirtualRoot());
    outlineLayout->addWidget(views_->pnlTaskTreeFilter());

    outlineLayout->addWidget(views_->tvTasksTree(), 1);

    // To-Do page: a part of its own (todo/ToDoPage.h).
    QWidget* tshToDoList = pages_->tshToDoList();
    auto* todoLayout = new QVBoxLayout(tshToDoList);
    todoLayout->setContentsMargins(2, 2, 2, 2);
    TToDoHost toDoHost{[this] { tasks_->UpdateCurrentTask(); },
                       [this] { places_->UpdateCurrentPlace(); },
                       [this] { return views_->VirtualRoot(); },
                       [this] { return options_->ShowToDoSheet(); },
                       [this] { return pages_->ToDoShown(); },
                       [this] { DrawTime = Now(); },
                       [this](QTreeWidgetItem* Node) {
                           if (!Node) {
                               pnlRight->setVisible(false);
                               return;
                           }
                           views_->SyncTreeNode(Node);
                           ShowPropertyPanel(TPropertySide::Task);
                           // The right side shows again, also after the place panel emptied and hid it.
                           pnlRight->setVisible(true);
                       },
                       [this] {
                           if (!tasks_->IsDueDatePickerDropped())
                               pages_->pcMainPages()->setFocus();
                       },
                       [this] { views_->SetVirtualRoot(nullptr); }};
    toDo_ = new TToDoPage(*this, *tshToDoList, state_, UILockCount, std::move(toDoHost));

    new QVBoxLayout(pages_->tshPlaces());
    pages_->AddPages();

    BuildTreeEditing();

    // Right-hand side: the property panel of the current task (or place).
    pnlRight = new QWidget(splMain);
    pnlRight->setObjectName(QStringLiteral("pnlRight"));
    auto* rightLayout = new QVBoxLayout(pnlRight);
    rightLayout->setContentsMargins(2, 2, 2, 2);
    pnlTaskProps = new QWidget(pnlRight);
    pnlTaskProps->setObjectName(QStringLiteral("pnlTaskProps"));
    BuildTaskPanel();
    rightLayout->addWidget(pnlTaskProps);

    pnlPlaceProps = new QWidget(pnlRight);
    pnlPlaceProps->setObjectName(QStringLiteral("pnlPlaceProps"));
    pnlPlaceProps->hide();
    rightLayout->addWidget(pnlPlaceProps);

    splMain->setStretchFactor(0, 3);
    splMain->setStretchFactor(1, 2);
}

void TfrmTovrinMain::BuildPages()
{
    TMainPagesHost host;
    host.FlushEdits = [this] { FlushPanelEdits(); };
    host.FocusOutlineTree = [this] { views_->tvTasksTree()->setFocus(); };
    host.SyncOutlineSelection = [this] {
        TUILock lock(UILockCount);
        QTreeWidgetItem* node = treeEditing_->FindTaskNode(views_->tvTasksTree(), state_.CurrentTask);
        views_->tvTasksTree()->clearSelection();
        if (node) {
            views_->tvTasksTree()->setCurrentItem(node);
            views_->SyncTreeNode(node);
            ShowPropertyPanel(TPropertySide::Task);
            // The right side shows again, also after the place panel emptied and hid it.
            pnlRight->setVisible(true);
            return;
        }
        views_->tvTasksTree()->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
    };
    host.SyncToDoSelection = [this] { toDo_->SyncSelectionWithCurrentTask(); };
    host.ToDoPageShown = [this] { toDo_->PageShown(); };
    host.RefreshPlacesLists = [this] { places_->RefreshPlacesLists(); };
    host.PlacesPageShown = [this] { places_->PlacesPageShown(); };
    host.UpdateTreeActions = [this] { UpdateTreeActions(); };
    pages_ = new TMainPages(*this, *splMain, UILockCount, std::move(host));
}

void TfrmTovrinMain::BuildTreeEditing()
{
    TTreeEditingHost host;
    host.IsOutlinePage = [this] { return pages_->OutlineShown(); };
    host.IsAllTasksView = [this] { return views_->CurrentViewName() == ViewAllTasks; };
    host.VirtualRoot = [this] { return views_->VirtualRoot(); };
    host.SetVirtualRoot = [this](TTaskNode* Task) { views_->SetVirtualRoot(Task); };
    host.FillTaskTree = [this](QTreeWidgetItem* Node) { views_->FillTaskTree(Node, false); };
    host.SyncTreeNode = [this](QTreeWidgetItem* Node) { views_->SyncTreeNode(Node); };
    host.SetCurrentTask = [this](TTaskNode* Task) { tasks_->SetCurrentTask(Task); };
    host.SetCaptionText = [this](const QString& Text) { tasks_->SetCaptionText(Text); };
    host.SetTaskDirty = [this](bool Value) { tasks_->SetTaskDirty(Value); };
    host.ApplyTaskChange = [this](bool Delay, bool Force) { tasks_->ApplyTaskChange(Delay, Force); };
    host.SetModified = [this](bool Value) { document_->SetModified(Value); };
    host.DeleteSelectedTask = [this] { outlineUndo_->DeleteSelectedTask(false); };
    host.UpdateUndoRedoActions = UndoActionsUpdater(*this);
    host.RestartDrawTime = [this] { DrawTime = Now(); };
    host.OneClickEditMode = [this] { return options_->OneClickEditMode(); };
    host.IsOverSpot = [this](TTreeViewCheckBoxes* Tree, int X, int Y) {
        return dragDrop_->IsOverDueDate(Tree, X, Y) || dragDrop_->IsOverNoteIcon(Tree, X, Y);
    };
    host.PlacesList = [this] { return places_->lvPlaces(); };
    treeEditing_ = new TTreeEditing(*this, *views_->tvTasksTree(), *toDo_->tvToDo(), state_, UILockCount,
                                    views_->DrawLockCount(), views_->TreeFillCount(), std::move(host));
}

void TfrmTovrinMain::BuildTaskPanel()
{
    TTaskPanelHost host;
    host.CommitPlaceEdits = [this] { places_->UpdateCurrentPlace(); };
    // The right side of the Places page shows the highlighted place, or nothing; on the To-Do
    // page it shows a task only beside its highlighted row.
    host.ShowTaskProps = [this] {
        if (!pages_->PlacesShown())
            ShowPropertyPanel(TPropertySide::Task);
    };
    host.ShowRightPanel = [this](bool Visible) {
        if (pages_->PlacesShown())
            return;
        if (pages_->ToDoShown() && !treeEditing_->FindTaskNode(toDo_->tvToDo(), state_.CurrentTask))
            Visible = false;
        pnlRight->setVisible(Visible);
    };
    host.AddToNavigation = [this](TTaskNode* Task) {
        if (undo_->Navigation())
            undo_->Navigation()->Add(Task);
    };
    host.UpdateUndoRedoActions = UndoActionsUpdater(*this);
    host.AddTaskChangeStep = [this](TTaskNode* Task) {
        return static_cast<TUndoChangeTaskNode*>(
            undo_->UndoList()->Add(std::make_unique<TUndoChangeTaskNode>(undo_->UndoView(), Task)));
    };
    host.SetModified = [this](bool Value) { document_->SetModified(Value); };
    host.RepaintTaskTrees = [this] { treeEditing_->RepaintTaskTrees(); };
    host.TaskChangeApplied = [this](bool Delay, bool Force) { toDo_->ApplyTaskChange(Delay, Force); };
    host.ShowCaptionInTrees = [this](const QString& Caption) {
        for (TTreeViewCheckBoxes* tree : {views_->tvTasksTree(), toDo_->tvToDo()})
            if (QTreeWidgetItem* node = treeEditing_->FindTaskNode(tree, state_.CurrentTask))
                node->setText(0, Caption);
    };
    host.IsProjectsView = [this] { return views_->CurrentViewName() == ViewProjects; };
    host.UpOneLevel = [this] {
        treeEditing_->EndInPlaceEditing();
        if (!pages_->OutlineShown()) {
            pages_->ShowOutline();
            if (!pages_->OutlineShown())
                return;  // the page change was refused
        }
        if (QTreeWidgetItem* selected = SelectedNode(views_->tvTasksTree()); selected && selected->parent())
            views_->tvTasksTree()->setCurrentItem(selected->parent());
    };
    host.OpenOutlineView = [this](const std::string& View) {
        pages_->ShowOutline();
        views_->SetTaskTreeView(View);
        views_->ShowTaskTreeFilterPanel(true);
    };
    host.FillPlacesList = [this](QTreeWidget* List) { places_->FillPlacesListView(List, nullptr); };
    host.OpenLink = [this](const std::string& URL) { desktop_->OpenLink(URL); };
    host.AddNavigationButtons = [this](QWidget& Row, QBoxLayout& Layout) {
        undo_->BuildNavigationButtons(&Row);
        Layout.addWidget(undo_->sbBack());
        Layout.addWidget(undo_->sbForward());
    };
    host.FocusTree = [this] {
        if (!pages_->OutlineShown())
            toDo_->tvToDo()->setFocus();
        else
            views_->tvTasksTree()->setFocus();
    };
    tasks_ = new TTaskPanel(*this, *pnlTaskProps, state_, UILockCount, *services_, std::move(host));
    connect(tasks_, &TTaskPanel::PlacesChanged, this, [this] { places_->MarkPlacesListsStale(); });
}

void TfrmTovrinMain::ShowPropertyPanel(TPropertySide Side)
{
    QWidget* wanted = Side == TPropertySide::Place ? pnlPlaceProps : pnlTaskProps;
    QWidget* other = Side == TPropertySide::Place ? pnlTaskProps : pnlPlaceProps;
    if (!wanted->isHidden())
        return;
    // The splitter keeps the widths it shows: it would otherwise give the left pane back the width
    // the other side's least width took from it, and the pane would change its width with the page.
    if (const QList<int> sizes = splMain->sizes(); pnlRight->isVisible() && sizes.value(0) > 0 && sizes.value(1) > 0)
        splMain->setSizes(sizes);
    other->hide();
    wanted->show();
}

void TfrmTovrinMain::BuildPlacePanel()
{
    TPlaceHost host{[this] { tasks_->UpdateCurrentTask(); },
                    [this] { ShowPropertyPanel(TPropertySide::Place); },
                    [this](bool Visible) { pnlRight->setVisible(Visible); },
                    [this] { return pages_->PlacesShown(); },
                    [this] { treeEditing_->EndInPlaceEditing(); },
                    UndoActionsUpdater(*this),
                    [this](const std::string& URL) { desktop_->OpenLink(URL); },
                    [this](TTaskPlace* Place) { outlineUndo_->DeletePlaceUndoable(Place); },
                    [this](bool Value) { document_->SetModified(Value); },
                    [this] { return options_->OneClickEditMode(); },
                    [this] { toDo_->ToDoFilter().FillPlacesFilter(); }};
    places_ = new TPlacePanel(*this, *pages_->tshPlaces(), *pnlPlaceProps, state_, UILockCount, *services_, std::move(host));
    // A place renamed, deleted or back: the task panel shows the current task's places as they are.
    connect(places_, &TPlacePanel::PlacesChanged, tasks_, &TTaskPanel::FollowPlaceChanges);
}

void TfrmTovrinMain::BuildDocument()
{
    TDocumentHost host;
    host.FlushEdits = [this] { FlushPanelEdits(); };
    host.ClearPanels = [this] {
        // The outline goes, and what its panels hold pending goes with it, neither written nor
        // asked about: the user has saved it or chosen to discard it.
        tasks_->SetTaskDirty(false);
        places_->SetPlaceDirty(false);
        places_->SetCurrentPlace(nullptr);
        tasks_->SetCurrentTask(nullptr);
    };
    host.ClearUndoHistory = [this] { undo_->ClearUndoHistory(); };
    host.ClearNavigation = [this] { undo_->Navigation()->Clear(); };
    host.ClearTrees = [this] {
        views_->tvTasksTree()->clear();
        toDo_->tvToDo()->clear();
        treeEditing_->SetNewTaskPending(false);
    };
    host.EndInPlaceEditing = [this] { treeEditing_->EndInPlaceEditing(); };
    host.VirtualRoot = [this] { return views_->VirtualRoot(); };
    host.SetVirtualRoot = [this](TTaskNode* Root) { views_->SetVirtualRoot(Root); };
    host.LetGoOfVirtualRoot = [this] { views_->LetGoOfVirtualRoot(); };
    host.SetTaskTreeView = [this](const std::string& View) { views_->SetTaskTreeView(View); };
    host.FillTaskTree = [this] { views_->FillTaskTree(); };
    host.ShowOutlinePage = [this] { pages_->ShowOutline(); };
    host.RefillPlacesLists = [this] { places_->RefillPlacesLists(); };
    host.RebuildToDoList = [this] { toDo_->RebuildToDoList(); };
    host.ShowDisplaySwitches = [this] { options_->ShowSwitchesOf(*state_.DataBase); };
    host.StoreDisplaySwitches = [this] { options_->StoreSwitchesIn(*state_.DataBase); };
    host.RestoreToDoFilter = [this] { toDo_->ToDoFilter().RestoreToDoFilter(); };
    host.StoreToDoFilter = [this] { toDo_->ToDoFilter().StoreToDoFilter(); };
    host.ImportXmlFile = [this](const std::string& Name, TTaskNode& Target) { exchange_->ImportXmlFile(Name, Target); };
    host.RunSaveDialog = [this](TFileDialogRequest& Request) { return desktop_->RunSaveDialog(Request); };
    host.SetTrayHint = [this](const std::string& Hint) {
        if (desktop_)
            desktop_->TrayIcon()->SetHint(Hint);
    };
    host.SetEditingEnabled = [this](bool Enabled) { SetEditingEnabled(Enabled); };
    document_ = new TDocumentLifecycle(*this, state_, environment_, UILockCount, views_->DrawLockCount(), *services_,
                                       std::move(host));
}

void TfrmTovrinMain::FlushPanelEdits()
{
    tasks_->UpdateCurrentTask(!autoSaving_);
    places_->UpdateCurrentPlace(!autoSaving_);
}

bool TfrmTovrinMain::AutoSaveDocument()
{
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset{autoSaving_};
    autoSaving_ = true;
    const bool saved = document_->SaveDocument();
    // Typing left pending in the places box or a place's caption is not in the file yet: the
    // outline still has changes.
    if (tasks_->IsTaskDirty() || places_->IsPlaceDirty())
        document_->SetModified(true);
    return saved;
}

void TfrmTovrinMain::SetEditingEnabled(bool Enabled)
{
    for (QAction* action : {document_->actSave(), document_->actSaveAs(), treeEditing_->actNewTask(), treeEditing_->actNewSubTask(), places_->actNewPlace()})
        action->setEnabled(Enabled);
    // Import, export and the Outlook commands.
    for (QAction* action : {exchange_ ? exchange_->actImport() : nullptr, exchange_ ? exchange_->actExport() : nullptr,
                            syncCommands_ ? syncCommands_->actConnectToOutlook() : nullptr})
        if (action)
            action->setEnabled(Enabled);
    if (syncCommands_)
        syncCommands_->actQuickOutlookConnect()->setEnabled(Enabled && state_.DataBase && !state_.DataBase->OutlookFolderPath.empty());
}

void TfrmTovrinMain::UpdateTreeActions()
{
    const bool treeMode = views_->CurrentViewName() == ViewAllTasks && pages_->OutlineShown();
    treeEditing_->actNewTask()->setEnabled(treeMode);
    treeEditing_->actNewSubTask()->setEnabled(treeMode);
    // Built by later steps of the constructor; a change handler may run before them.
    for (QAction* action : {exchange_ ? exchange_->actImport() : nullptr, exchange_ ? exchange_->actExport() : nullptr,
                            outlineUndo_ ? outlineUndo_->actDeleteTask() : nullptr, sortFind_ ? sortFind_->actSortSubtasks() : nullptr})
        if (action)
            action->setEnabled(treeMode);
    if (QAction* paste = taskCommands_ ? taskCommands_->actInsertTasksFromClipboard() : nullptr)
        paste->setEnabled(treeMode && !SplitClipboardLines(UiServices().GetClipboardText()).empty());
    if (syncCommands_)
        syncCommands_->actQuickOutlookConnect()->setEnabled(!state_.DataBase->OutlookFolderPath.empty());
}

void TfrmTovrinMain::BuildExchange()
{
    TExchangeHost host{[this] { FlushPanelEdits(); },
                       [this] { return TTreeEditing::NodeTask(SelectedNode(views_->tvTasksTree())); }, [this] { return views_->VirtualRoot(); }};
    exchange_ = new TImportExport(*this, state_, *services_, std::move(host));
    // The outline's pop-up menu: after the refresh command.
    const QList<QAction*> items = treeEditing_->pmnuTaskTree()->actions();
    const qsizetype at = items.indexOf(treeEditing_->actRefreshSubtree());
    exchange_->AddToMenu(*treeEditing_->pmnuTaskTree(), at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr);
    connect(exchange_, &TImportExport::OutlineImported, this, [this] {
        document_->SetModified(true);
        undo_->ClearUndoHistory();
        views_->FillTaskTree();
        places_->RefillPlacesLists();
    });
}

// The one place that builds the menu bar, from the commands each part of the window made.
void TfrmTovrinMain::BuildMenuBar()
{
    auto menu = [this](const QString& title, std::initializer_list<QAction*> items) {
        QMenu* made = menuBar()->addMenu(title);
        for (QAction* item : items) {
            if (item)
                made->addAction(item);
            else
                made->addSeparator();
        }
        return made;
    };
    menu(QStringLiteral("&File"), {document_->actFileNew(), document_->Newdemofile1(), document_->actOpen(), document_->actSave(), document_->actSaveAs(), nullptr, exchange_->actImport(), exchange_->actExport(),
                                   nullptr, syncCommands_->actConnectToOutlook(), syncCommands_->actQuickOutlookConnect(), nullptr, Exit1});
    menu(QStringLiteral("&Edit"), {undo_->actUndo(), undo_->actRedo(), nullptr, undo_->actBack(), undo_->actForward(), nullptr, sortFind_->actFind(), sortFind_->actFindNext()});
    menu(QStringLiteral("&Tools"), {options_->Options1()})->setObjectName(QStringLiteral("Tools1"));
    menu(QStringLiteral("&Help"), {help_->Howitworks1(), help_->VisitTovrinWebSite1(), help_->Proposenewfeature1(), nullptr, help_->actAbout()});
}

void TfrmTovrinMain::BuildActions()
{
    Exit1 = MakeWindowAction(*this, *this, "Exit1", "Exit", nullptr, &TfrmTovrinMain::Exit1Click);
    treeEditing_->BuildTreeCommands();  // new tasks, refresh, virtual root and the outline's pop-up menu

    // Keys shared by two commands run the first enabled one.
    auto* shortcuts = new TSharedShortcutDispatcher(this);
    shortcuts->Bind(QKeySequence(Qt::Key_Insert), {treeEditing_->actNewTask(), places_->actNewPlace()});
    // The task deletion command goes ahead of actDeletePlace in this list.
    shortcuts->Bind(QKeySequence(QStringLiteral("Ctrl+Del")), {outlineUndo_->actDeleteTask(), places_->actDeletePlace()});
    shortcuts->Bind(QKeySequence(Qt::Key_F5), {treeEditing_->actRefreshSubtree(), treeEditing_->actInsertDateTime()});
}

// ---- Closing ----

void TfrmTovrinMain::Exit1Click()
{
    closingFromExit_ = true;
    close();
    closingFromExit_ = false;
}

void TfrmTovrinMain::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    RunGuarded([&] { canClose = FormCloseQuery(); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

bool TfrmTovrinMain::FormCloseQuery()
{
    if (closeAccepted_)
        return true;
    if (desktop_->CloseToTray() && !closingFromExit_) {
        showMinimized();
        desktop_->HideToTray();
        return false;
    }
    treeEditing_->EndInPlaceEditing();
    if (!document_->AskSaveChanges())
        return false;
    options_->SaveSettings();
    closeAccepted_ = true;
    ++UILockCount;  // for good: no change handler runs while the controls are destroyed
    return true;
}
