#include "ui/outline/OutlineViews.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include "taskdb/TaskNode.h"
#include "ui/controls/TreeViewCheckBoxes.h"

#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"
#include "ui/outline/TaskItemData.h"
#include "ui/controls/VirtualRootBanner.h"
#include "ui/mainwindow/WindowState.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/outline/TreeViewRules.h"

TOutlineViews::TOutlineViews(QWidget& Window, QWidget& Page, TWindowState& State, int32_t& UILockCount,
                             TOutlineViewsHost Host)
    : QObject(&Window), state_(State), uiLockCount_(UILockCount), host_(std::move(Host))
{
    pnlVirtualRoot_ = MakeBanner(&Page, lbVirtualRoot_, [this] { SetVirtualRoot(nullptr); });

    pnlTaskTreeFilter_ = new QFrame(&Page);
    pnlTaskTreeFilter_->setObjectName(QStringLiteral("pnlTaskTreeFilter"));
    auto* filterLayout = new QHBoxLayout(pnlTaskTreeFilter_);
    filterLayout->setContentsMargins(0, 0, 0, 0);
    sbTaskTreeFilter_ = new QToolButton(pnlTaskTreeFilter_);
    sbTaskTreeFilter_->setObjectName(QStringLiteral("sbTaskTreeFilter"));
    sbTaskTreeFilter_->setText(QStringLiteral("Views"));
    sbTaskTreeFilter_->setCheckable(true);
    sbTaskTreeFilter_->setAutoRaise(true);
    cbToDoTreeViewOptions_ = new QComboBox(pnlTaskTreeFilter_);
    cbToDoTreeViewOptions_->setObjectName(QStringLiteral("cbToDoTreeViewOptions"));
    chHideCompletedTasks_ = new QCheckBox(QStringLiteral("Hide completed tasks"), pnlTaskTreeFilter_);
    chHideCompletedTasks_->setObjectName(QStringLiteral("chHideCompletedTasks"));
    filterLayout->addWidget(sbTaskTreeFilter_);
    filterLayout->addWidget(cbToDoTreeViewOptions_);
    filterLayout->addStretch(1);
    filterLayout->addWidget(chHideCompletedTasks_);
    connect(sbTaskTreeFilter_, &QToolButton::clicked, this, [this] { RunGuarded([this] { sbTaskTreeFilterClick(); }); });
    connect(cbToDoTreeViewOptions_, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([this] { cbToDoTreeViewOptionsChange(); }); });
    connect(chHideCompletedTasks_, &QCheckBox::toggled, this,
            [this] { RunGuarded([this] { chHideCompletedTasksClick(); }); });

    tvTasksTree_ = new TTreeViewCheckBoxes(&Page);
    tvTasksTree_->setObjectName(QStringLiteral("tvTasksTree2"));
}

bool TOutlineViews::HideCompletedTasks() const
{
    return chHideCompletedTasks_->isChecked();
}

void TOutlineViews::SetTaskTreeView(const std::string& Name)
{
    std::string name = Name;
    if (cbToDoTreeViewOptions_->findText(QString::fromStdString(name)) < 0)
        name = ViewAllTasks;
    const bool changed = currentViewName_ != name;
    host_.FlushTaskEdits();
    currentViewName_ = name;
    {
        TUILock lock(uiLockCount_);
        cbToDoTreeViewOptions_->setCurrentIndex(cbToDoTreeViewOptions_->findText(QString::fromStdString(name)));
        host_.UpdateTreeActions();
    }
    if (uiLockCount_ == 0 && changed)
        FillTaskTree(nullptr, false);
}

bool TOutlineViews::ResetTaskTreeView(bool KeepToDoPage)
{
    host_.ShowOutlinePage(KeepToDoPage);
    const bool changed = currentViewName_ != ViewAllTasks;
    SetTaskTreeView(ViewAllTasks);
    return changed;
}

void TOutlineViews::FillTaskTreeViewCombo()
{
    std::string remembered;
    {
        TUILock lock(uiLockCount_);
        remembered = cbToDoTreeViewOptions_->currentText().toStdString();
        cbToDoTreeViewOptions_->clear();
        cbToDoTreeViewOptions_->addItem(QString::fromLatin1(ViewAllTasks));
        if (host_.GoalsShown())
            cbToDoTreeViewOptions_->addItem(QString::fromLatin1(ViewGoals));
        if (host_.ProjectsShown())
            cbToDoTreeViewOptions_->addItem(QString::fromLatin1(ViewProjects));
    }
    SetTaskTreeView(remembered);
}

void TOutlineViews::cbToDoTreeViewOptionsChange()
{
    if (uiLockCount_ > 0 || cbToDoTreeViewOptions_->currentIndex() < 0)
        return;
    SetTaskTreeView(cbToDoTreeViewOptions_->currentText().toStdString());
}

void TOutlineViews::ShowTaskTreeFilterPanel(bool Open)
{
    {
        TUILock lock(uiLockCount_);
        sbTaskTreeFilter_->setChecked(Open);
        cbToDoTreeViewOptions_->setVisible(Open);
    }
    cbToDoTreeViewOptionsChange();
}

void TOutlineViews::sbTaskTreeFilterClick()
{
    if (uiLockCount_ == 0)
        ShowTaskTreeFilterPanel(sbTaskTreeFilter_->isChecked());
}

void TOutlineViews::ToggleTaskTreeFilterPanel()
{
    sbTaskTreeFilter_->setChecked(!sbTaskTreeFilter_->isChecked());
    sbTaskTreeFilterClick();
}

void TOutlineViews::chHideCompletedTasksClick()
{
    if (uiLockCount_ > 0)
        return;
    host_.FlushTaskEdits();
    host_.FlushPlaceEdits();
    FillTaskTree(nullptr, false);
}

// ---- Virtual root ----

void TOutlineViews::LetGoOfVirtualRoot()
{
    virtualRoot_ = state_.DataBase->Root.get();
}

void TOutlineViews::SetVirtualRoot(TTaskNode* Task)
{
    if (Task == virtualRoot_)
        return;
    virtualRoot_ = Task;
    if (!Task || Task == state_.DataBase->Root.get()) {
        virtualRoot_ = state_.DataBase->Root.get();
        pnlVirtualRoot_->hide();
        host_.ShowToDoBanner(QString());
    } else {
        const QString text = QString::fromStdString(VirtualRootBannerText(Task->Caption));
        lbVirtualRoot_->setText(text);
        pnlVirtualRoot_->show();
        host_.ShowToDoBanner(text);
    }
    host_.FlushTaskEdits();
    RefillTaskTree();
    host_.RebuildShownToDoList();
}

bool TOutlineViews::IsVirtualRootActive() const
{
    return virtualRoot_ && virtualRoot_ != state_.DataBase->Root.get();
}

// ---- Filling ----

QTreeWidgetItem* TOutlineViews::AddRow(QTreeWidgetItem* Parent, const TViewRow& Row)
{
    auto* node = new QTreeWidgetItem();
    node->setText(0, QString::fromStdString(Row.Caption));
    if (Row.Task) {
        SetItemTask(node, Row.Task);
        TTreeViewCheckBoxes::SetChecked(node, Row.Checked);
    } else {
        node->setFlags(node->flags() & ~Qt::ItemIsUserCheckable);
    }
    if (Parent)
        Parent->addChild(node);
    else
        tvTasksTree_->addTopLevelItem(node);
    for (const TViewRow& child : Row.Children)
        AddRow(node, child);
    node->setExpanded(Row.Expanded);
    return node;
}

void TOutlineViews::FillTaskTree(QTreeWidgetItem* Node, bool KeepSelection)
{
    if (currentViewName_ == ViewAllTasks || (Node && ItemTask(Node))) {
        DoFillTaskTree(Node, KeepSelection);
        return;
    }
    TTaskNode* remembered = ItemTask(SelectedNode(tvTasksTree_));
    if (currentViewName_ == ViewGoals)
        FillGoalsView();
    else
        FillProjectsView();
    if (Node && !KeepSelection)
        return;
    QTreeWidgetItem* select = FindTaskItem(tvTasksTree_, remembered);
    tvTasksTree_->setCurrentItem(select ? select : tvTasksTree_->topLevelItem(0));
}

void TOutlineViews::DoFillTaskTree(QTreeWidgetItem* Node, bool KeepSelection)
{
    TUILock fillLock(treeFillCount_);
    TUILock drawLock(drawLockCount_);
    tvTasksTree_->setUpdatesEnabled(false);
    TTaskNode* remembered = nullptr;
    {
        TUILock lock(uiLockCount_);
        remembered = ItemTask(SelectedNode(tvTasksTree_));
        const bool nodeExpanded = Node && Node->isExpanded();
        const bool hideCompleted = HideCompletedTasks();
        const TTaskNode* start = Node ? ItemTask(Node) : virtualRoot_;
        if (Node)
            qDeleteAll(Node->takeChildren());
        else
            tvTasksTree_->clear();
        if (start)
            for (const TViewRow& row : BuildTaskRows(*start, hideCompleted))
                AddRow(Node, row);
        if (Node)
            Node->setExpanded(nodeExpanded);
    }
    // The selection moves with the lock released, so that the property panel follows it.
    if (KeepSelection || !Node) {
        QTreeWidgetItem* select = FindTaskItem(tvTasksTree_, remembered);
        tvTasksTree_->setCurrentItem(select ? select : tvTasksTree_->topLevelItem(0));
    }
    tvTasksTree_->setUpdatesEnabled(true);
    tvTasksTree_->viewport()->update();
}

void TOutlineViews::FillGoalsView()
{
    TUILock fillLock(treeFillCount_);
    TUILock lock(uiLockCount_);
    tvTasksTree_->clear();
    if (virtualRoot_)
        for (const TViewRow& row : BuildGoalsRows(*virtualRoot_, HideCompletedTasks()))
            AddRow(nullptr, row);
}

void TOutlineViews::FillProjectsView()
{
    TUILock fillLock(treeFillCount_);
    TUILock lock(uiLockCount_);
    tvTasksTree_->clear();
    if (virtualRoot_)
        for (const TViewRow& row : BuildProjectsRows(*virtualRoot_, HideCompletedTasks()))
            AddRow(nullptr, row);
}

void TOutlineViews::RefillTaskTree()
{
    FillTaskTree(nullptr, true);
}

void TOutlineViews::RefreshCheckMarks(QTreeWidgetItem* Node)
{
    if (!Node)
        return;
    TUILock lock(uiLockCount_);
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        if (TTaskNode* task = ItemTask(item))
            TTreeViewCheckBoxes::SetChecked(item, task->CompletedMark);
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i));
    };
    walk(Node);
}

void TOutlineViews::SyncTreeNode(QTreeWidgetItem* Node)
{
    TTaskNode* task = ItemTask(Node);
    if (!task)
        return;
    TUILock lock(uiLockCount_);
    const QString caption = QString::fromStdString(task->Caption);
    if (Node->text(0) != caption)
        Node->setText(0, caption);
    if (TTreeViewCheckBoxes::GetChecked(Node) != task->CompletedMark)
        TTreeViewCheckBoxes::SetChecked(Node, task->CompletedMark);
}
