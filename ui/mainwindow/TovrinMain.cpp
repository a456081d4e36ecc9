#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/PageControl.h"
#include "ui/options/QtFont.h"
#include "ui/mainwindow/SharedShortcuts.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/exchange/ImportExport.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/SortFind.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/undo/UndoList.h"
#include "ui/todo/ToDoPage.h"
#include "ui/desktop/DesktopIntegration.h"
#include "ui/desktop/WindowPlacement.h"
#include "ui/todo/ToDoFilterPanel.h"
#include "ui/dialogs/QtZipHost.h"
#include "ui/mainwindow/WindowAction.h"
#include "ui/desktop/ToolIcon.h"  // the tray hint

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
    ConnectUndoAndNavigation();
    toDo_->BuildToDoPage();
    places_->BuildPlacesPage();
    BuildTaskCommands();  // task commands, tree drawing and drag (TovrinMainCommands.cpp)
    BuildExchange();
    BuildSettings();  // tray icon, hot key, auto-save timer, Tools > Options (TovrinMainSettings.cpp)
    BuildAboutCommand();  // Help > About (TovrinMainAbout.cpp)
    BuildMenuBar();
    pcMainPages->OnChanging = [this] { return pcMainPagesChanging(); };
    pcMainPages->OnChange = [this] { RunGuarded([this] { pcMainPagesChange(); }); };

    state_.DataBase = std::make_unique<TTovrinDataBase>();
    views_->LetGoOfVirtualRoot();
    places_->SetCurrentPlace(nullptr);
    tasks_->SetCurrentTask(nullptr);

    // The designed fonts; where Tahoma is missing the font system puts its nearest in.
    DefaultTasksFont = TFontDesc{"Tahoma", DEFAULT_CHARSET, clWindowText, 8, 0};
    DefaultNoteFont = TFontDesc{"Tahoma", 204, clWindowText, 8, 0};
    DrawTime = Now();
    undo_->UpdateUndoRedoActions();
    {
        TUILock lock(UILockCount);
        pcMainPages->SetActivePage(tshOutline);
        pcMainPages->setFocus();
        views_->ShowTaskTreeFilterPanel(false);
    }
    views_->FillTaskTreeViewCombo();
    views_->SetCurrentViewName(std::string());
    views_->SetTaskTreeView(ViewAllTasks);
    LoadSettings();
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
    tvTasksTree->clear();
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

    pcMainPages = new TPageControl(splMain);

    // Outline page: virtual-root banner, view panel, outline tree.
    tshOutline = new QWidget();
    auto* outlineLayout = new QVBoxLayout(tshOutline);
    outlineLayout->setContentsMargins(2, 2, 2, 2);
    outlineLayout->setSpacing(2);
    TOutlineViewsHost viewsHost;
    viewsHost.FlushTaskEdits = [this] { tasks_->UpdateCurrentTask(); };
    viewsHost.FlushPlaceEdits = [this] { places_->UpdateCurrentPlace(); };
    viewsHost.UpdateTreeActions = [this] { UpdateTreeActions(); };
    viewsHost.ShowToDoBanner = [this](const QString& Text) { toDo_->ShowVirtualRootBanner(Text); };
    viewsHost.RebuildShownToDoList = [this] {
        if (pcMainPages->ActivePage() == tshToDoList)
            toDo_->RebuildToDoList();
    };
    viewsHost.GoalsShown = [this] { return ShowGoals; };
    viewsHost.ProjectsShown = [this] { return ShowProject; };
    viewsHost.ShowOutlinePage = [this](bool KeepToDoPage) {
        if (!(KeepToDoPage && pcMainPages->ActivePage() == tshToDoList))
            pcMainPages->SetActivePage(tshOutline);
    };
    views_ = new TOutlineViews(*this, *tshOutline, state_, UILockCount, DrawLockCount, std::move(viewsHost));
    outlineLayout->addWidget(views_->pnlVirtualRoot());
    outlineLayout->addWidget(views_->pnlTaskTreeFilter());

    tvTasksTree = views_->tvTasksTree();
    outlineLayout->addWidget(tvTasksTree, 1);
    pcMainPages->addTab(tshOutline, QStringLiteral("Outline"));

    // To-Do page: a part of its own (todo/ToDoPage.h).
    tshToDoList = new QWidget();
    auto* todoLayout = new QVBoxLayout(tshToDoList);
    todoLayout->setContentsMargins(2, 2, 2, 2);
    TToDoHost toDoHost{[this] { tasks_->UpdateCurrentTask(); },
                       [this] { places_->UpdateCurrentPlace(); },
                       [this] { return views_->VirtualRoot(); },
                       [this] { return ShowToDoSheet; },
                       [this] { return pcMainPages->ActivePage() == tshToDoList; },
                       [this] { DrawTime = Now(); },
                       [this](QTreeWidgetItem* Node) {
                           views_->SyncTreeNode(Node);
                           ShowPropertyPanel(ppTask);
                           // The right side shows again, also after the place panel emptied and hid it.
                           pnlRight->setVisible(true);
                       },
                       [this] {
                           if (!tasks_->IsDueDatePickerDropped())
                               pcMainPages->setFocus();
                       },
                       [this] { views_->SetVirtualRoot(nullptr); }};
    toDo_ = new TToDoPage(*this, *tshToDoList, state_, UILockCount, std::move(toDoHost));
    pcMainPages->addTab(tshToDoList, QStringLiteral("ToDo"));

    tshPlaces = new QWidget();
    new QVBoxLayout(tshPlaces);
    pcMainPages->addTab(tshPlaces, QStringLiteral("Places"));

    HookTree(tvTasksTree);
    HookTree(toDo_->tvToDo());

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

void TfrmTovrinMain::BuildTaskPanel()
{
    // Focus changes reach the host also while the window is being destroyed; by then the window
    // is no main window any more, and nothing is refreshed.
    QObject* self = this;
    TTaskPanelHost host;
    host.CommitPlaceEdits = [this] { places_->UpdateCurrentPlace(); };
    host.ShowTaskProps = [this] { ShowPropertyPanel(ppTask); };
    host.ShowRightPanel = [this](bool Visible) { pnlRight->setVisible(Visible); };
    host.AddToNavigation = [this](TTaskNode* Task) {
        if (Undo().Navigation())
            Undo().Navigation()->Add(Task);
    };
    host.UpdateUndoRedoActions = [self] {
        if (auto* window = qobject_cast<TfrmTovrinMain*>(self))
            window->Undo().UpdateUndoRedoActions();
    };
    host.AddTaskChangeStep = [this](TTaskNode* Task) {
        return static_cast<TUndoChangeTaskNode*>(
            Undo().UndoList()->Add(std::make_unique<TUndoChangeTaskNode>(Undo().UndoView(), Task)));
    };
    host.SetModified = [this](bool Value) { document_->SetModified(Value); };
    host.RepaintTaskTrees = [this] { RepaintTaskTrees(); };
    host.TaskChangeApplied = [this](bool Delay, bool Force) { toDo_->ApplyTaskChange(Delay, Force); };
    host.ShowCaptionInTrees = [this](const QString& Caption) {
        for (TTreeViewCheckBoxes* tree : {tvTasksTree, toDo_->tvToDo()})
            if (QTreeWidgetItem* node = FindTaskNode(tree, state_.CurrentTask))
                node->setText(0, Caption);
    };
    host.IsProjectsView = [this] { return views_->CurrentViewName() == ViewProjects; };
    host.UpOneLevel = [this] {
        EndInPlaceEditing();
        if (pcMainPages->ActivePage() != tshOutline) {
            pcMainPages->SetActivePage(tshOutline);
            if (pcMainPages->ActivePage() != tshOutline)
                return;  // the page change was refused
        }
        if (QTreeWidgetItem* selected = SelectedNode(tvTasksTree); selected && selected->parent())
            tvTasksTree->setCurrentItem(selected->parent());
    };
    host.OpenOutlineView = [this](const std::string& View) {
        pcMainPages->SetActivePage(tshOutline);
        views_->SetTaskTreeView(View);
        views_->ShowTaskTreeFilterPanel(true);
    };
    host.FillPlacesList = [this](QTreeWidget* List) { places_->FillPlacesListView(List, nullptr); };
    host.OpenLink = [this](const std::string& URL) { OpenLink(URL); };
    host.AddNavigationButtons = [this](QWidget& Row, QBoxLayout& Layout) {
        undo_->BuildNavigationButtons(&Row);
        Layout.addWidget(undo_->sbBack());
        Layout.addWidget(undo_->sbForward());
    };
    host.FocusTree = [this] {
        if (pcMainPages->ActivePage() != tshOutline)
            toDo_->tvToDo()->setFocus();
        else
            tvTasksTree->setFocus();
    };
    tasks_ = new TTaskPanel(*this, *pnlTaskProps, state_, UILockCount, Services(), std::move(host));
    connect(tasks_, &TTaskPanel::PlacesChanged, this, [this] { PlacesListsStale = true; });
}

void TfrmTovrinMain::ShowPropertyPanel(int Kind)
{
    QWidget* wanted = Kind == ppPlace ? pnlPlaceProps : pnlTaskProps;
    QWidget* other = Kind == ppPlace ? pnlTaskProps : pnlPlaceProps;
    if (!wanted->isHidden())
        return;
    other->hide();
    wanted->show();
}

void TfrmTovrinMain::BuildPlacePanel()
{
    // Focus changes reach the host also while the window is being destroyed; by then the window
    // is no main window any more, and nothing is refreshed.
    QObject* self = this;
    TPlaceHost host{[this] { tasks_->UpdateCurrentTask(); },
                    [this] { ShowPropertyPanel(ppPlace); },
                    [this](bool Visible) { pnlRight->setVisible(Visible); },
                    [this] { return pcMainPages->ActivePage() == tshPlaces; },
                    [this] { EndInPlaceEditing(); },
                    [self] {
                        if (auto* window = qobject_cast<TfrmTovrinMain*>(self))
                            window->Undo().UpdateUndoRedoActions();
                    },
                    [this](const std::string& URL) { OpenLink(URL); },
                    [this](TTaskPlace* Place) { DeletePlaceUndoable(Place); },
                    [this](bool Value) { document_->SetModified(Value); },
                    [this] { return OneClickEditMode; }};
    places_ = new TPlacePanel(*this, *tshPlaces, *pnlPlaceProps, state_, UILockCount, Services(), std::move(host));
    connect(places_, &TPlacePanel::PlacesChanged, this, [this] { PlacesListsStale = true; });
}

void TfrmTovrinMain::BuildDocument()
{
    TDocumentHost host;
    host.FlushEdits = [this] {
        tasks_->UpdateCurrentTask();
        places_->UpdateCurrentPlace();
    };
    host.ClearPanels = [this] {
        places_->SetCurrentPlace(nullptr);
        tasks_->SetCurrentTask(nullptr);
    };
    host.ClearUndoHistory = [this] { Undo().ClearUndoHistory(); };
    host.ClearNavigation = [this] { Undo().Navigation()->Clear(); };
    host.ClearTrees = [this] {
        tvTasksTree->clear();
        toDo_->tvToDo()->clear();
        NewTaskPending = false;
    };
    host.EndInPlaceEditing = [this] { EndInPlaceEditing(); };
    host.VirtualRoot = [this] { return views_->VirtualRoot(); };
    host.SetVirtualRoot = [this](TTaskNode* Root) { views_->SetVirtualRoot(Root); };
    host.LetGoOfVirtualRoot = [this] { views_->LetGoOfVirtualRoot(); };
    host.SetTaskTreeView = [this](const std::string& View) { views_->SetTaskTreeView(View); };
    host.FillTaskTree = [this] { views_->FillTaskTree(); };
    host.ShowOutlinePage = [this] { pcMainPages->SetActivePage(tshOutline); };
    host.RefillPlacesLists = [this] {
        PlacesListsStale = true;
        RefreshPlacesLists();
    };
    host.RebuildToDoList = [this] { toDo_->RebuildToDoList(); };
    host.ShowDisplaySwitches = [this] {
        SetShowToDoSheet(state_.DataBase->ShowToDoSheet);
        SetShowTaskProperties(state_.DataBase->ShowTaskProperties);
        SetShowImportance(state_.DataBase->ShowImportance);
        SetShowPlaces(state_.DataBase->ShowPlaces);
        SetShowGoals(state_.DataBase->ShowGoals);
        SetShowTime(state_.DataBase->ShowTime);
        SetShowEffort(state_.DataBase->ShowEffort);
        SetShowProject(state_.DataBase->ShowProject);
        SetShowTaskTreeViews(state_.DataBase->ShowTaskTreeViews);
    };
    host.StoreDisplaySwitches = [this] {
        state_.DataBase->SetShowToDoSheet(ShowToDoSheet);
        state_.DataBase->SetShowTaskProperties(ShowTaskProperties);
        state_.DataBase->SetShowImportance(ShowImportance);
        state_.DataBase->SetShowPlaces(ShowPlaces);
        state_.DataBase->SetShowGoals(ShowGoals);
        state_.DataBase->SetShowTime(ShowTime);
        state_.DataBase->SetShowEffort(ShowEffort);
        state_.DataBase->SetShowProject(ShowProject);
        state_.DataBase->SetShowTaskTreeViews(ShowTaskTreeViews);
    };
    host.RestoreToDoFilter = [this] { toDo_->ToDoFilter().RestoreToDoFilter(); };
    host.StoreToDoFilter = [this] { toDo_->ToDoFilter().StoreToDoFilter(); };
    host.ImportXmlFile = [this](const std::string& Name, TTaskNode& Target) { exchange_->ImportXmlFile(Name, Target); };
    host.RunSaveDialog = [this](TFileDialogRequest& Request) { return desktop_->RunSaveDialog(Request); };
    host.SetTrayHint = [this](const std::string& Hint) {
        if (desktop_)
            desktop_->TrayIcon()->SetHint(Hint);
    };
    host.SetEditingEnabled = [this](bool Enabled) { SetEditingEnabled(Enabled); };
    document_ =
        new TDocumentLifecycle(*this, state_, environment_, UILockCount, DrawLockCount, Services(), std::move(host));
}

void TfrmTovrinMain::SetEditingEnabled(bool Enabled)
{
    for (QAction* action :
         {document_->actSave(), document_->actSaveAs(), actNewTask, actNewSubTask, places_->actNewPlace()})
        action->setEnabled(Enabled);
    // Import, export and the Outlook commands.
    for (QAction* action : {exchange_ ? exchange_->actImport() : nullptr, exchange_ ? exchange_->actExport() : nullptr,
                            actConnectToOutlook})
        if (action)
            action->setEnabled(Enabled);
    if (actQuickOutlookConnect)
        actQuickOutlookConnect->setEnabled(Enabled && state_.DataBase && !state_.DataBase->OutlookFolderPath.empty());
}

// The one place that builds the menu bar, from the commands each part of the window made.
void TfrmTovrinMain::BuildExchange()
{
    TExchangeHost host{[this] {
                           tasks_->UpdateCurrentTask();
                           places_->UpdateCurrentPlace();
                       },
                       [this] { return NodeTask(SelectedNode(tvTasksTree)); }, [this] { return views_->VirtualRoot(); }};
    exchange_ = new TImportExport(*this, state_, Services(), std::move(host));
    // The outline's pop-up menu: after the refresh command.
    const QList<QAction*> items = pmnuTaskTree->actions();
    const qsizetype at = items.indexOf(actRefreshSubtree);
    exchange_->AddToMenu(*pmnuTaskTree, at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr);
    connect(exchange_, &TImportExport::OutlineImported, this, [this] {
        document_->SetModified(true);
        undo_->ClearUndoHistory();
        views_->FillTaskTree();
        PlacesListsStale = true;
        RefreshPlacesLists();
    });
}

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
                                   nullptr, actConnectToOutlook, actQuickOutlookConnect, nullptr, Exit1});
    menu(QStringLiteral("&Edit"), {undo_->actUndo(), undo_->actRedo(), nullptr, undo_->actBack(), undo_->actForward(), nullptr, sortFind_->actFind(), sortFind_->actFindNext()});
    menu(QStringLiteral("&Tools"), {Options1})->setObjectName(QStringLiteral("Tools1"));
    menu(QStringLiteral("&Help"), {Howitworks1, VisitTovrinWebSite1, Proposenewfeature1, nullptr, actAbout});
}

void TfrmTovrinMain::BuildActions()
{
    Exit1 = MakeWindowAction(*this, *this, "Exit1", "Exit", nullptr, &TfrmTovrinMain::Exit1Click);
    actNewTask = MakeWindowAction(*this, *this, "actNewTask", "New task", nullptr, &TfrmTovrinMain::actNewTaskExecute);
    actNewSubTask = MakeWindowAction(*this, *this, "actNewSubTask", "New subtask", "Alt+Ins",
                                     &TfrmTovrinMain::actNewSubTaskExecute);
    actRefreshSubtree = MakeWindowAction(*this, *this, "actRefreshSubtree", "Refresh subtree", nullptr,
                                         &TfrmTovrinMain::actRefreshSubtreeExecute);
    actNewVirtualRoot = MakeWindowAction(*this, *this, "actNewVirtualRoot", "Set as virtual root...", "Ctrl+R",
                                         &TfrmTovrinMain::actNewVirtualRootExecute);
    AdvancedOptions1 = MakeWindowAction(*this, *this, "AdvancedOptions1", "Advanced options", "Ctrl+P",
                                        &TfrmTovrinMain::AdvancedOptions1Click);
    actInsertDateTime = new QAction(QStringLiteral("Insert Date/Time"), this);  // no behaviour of its own
    actInsertDateTime->setObjectName(QStringLiteral("actInsertDateTime"));

    // Keys shared by two commands run the first enabled one.
    shortcuts_ = new TSharedShortcutDispatcher(this);
    shortcuts_->Bind(QKeySequence(Qt::Key_Insert), {actNewTask, places_->actNewPlace()});
    // The task deletion command goes ahead of actDeletePlace in this list.
    shortcuts_->Bind(QKeySequence(QStringLiteral("Ctrl+Del")), {actDeleteTask, places_->actDeletePlace()});
    shortcuts_->Bind(QKeySequence(Qt::Key_F5), {actRefreshSubtree, actInsertDateTime});

    pmnuTaskTree = new QMenu(this);
    pmnuTaskTree->addAction(actNewTask);
    pmnuTaskTree->addAction(actNewSubTask);
    pmnuTaskTree->addSeparator();
    pmnuTaskTree->addAction(actNewVirtualRoot);
    pmnuTaskTree->addSeparator();
    pmnuTaskTree->addAction(actRefreshSubtree);
    tvTasksTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tvTasksTree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmnuTaskTree->popup(tvTasksTree->viewport()->mapToGlobal(pos)); });
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
    EndInPlaceEditing();
    if (!document_->AskSaveChanges())
        return false;
    SaveSettings();
    closeAccepted_ = true;
    ++UILockCount;  // for good: no change handler runs while the controls are destroyed
    return true;
}

// ---- Pages ----

bool TfrmTovrinMain::pcMainPagesChanging()
{
    try {
        tasks_->UpdateCurrentTask();
        places_->UpdateCurrentPlace();
        return true;
    } catch (...) {
        ShowCurrentException();
        return false;
    }
}
