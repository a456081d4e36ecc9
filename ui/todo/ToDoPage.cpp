#include "ui/todo/ToDoPage.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "taskdb/Services.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/outline/ClipboardLines.h"
#include "ui/outline/TaskItemData.h"
#include "ui/controls/VirtualRootBanner.h"
#include "ui/todo/ToDoFilterPanel.h"
#include "ui/mainwindow/WindowAction.h"

// ---- Building ----

TToDoPage::TToDoPage(QWidget& Window, QWidget& Page, TWindowState& State, int32_t& UILockCount, TToDoHost Host)
    : QObject(&Window), window_(Window), page_(Page), state_(State), uiLockCount_(UILockCount),
      host_(std::move(Host))
{
    auto* layout = static_cast<QVBoxLayout*>(Page.layout());
    pnlVirtualRoot2_ = MakeBanner(&Page, lbVirtualRoot2_, [this] { host_.ResetVirtualRoot(); });
    layout->addWidget(pnlVirtualRoot2_);
    tvToDo_ = new TTreeViewCheckBoxes(&Page);
    tvToDo_->setObjectName(QStringLiteral("tvToDo2"));
    layout->addWidget(tvToDo_, 1);
}

void TToDoPage::BuildToDoPage()
{
    {
        TUILock lock(uiLockCount_);
        tvToDo_->setSelectionMode(QAbstractItemView::ExtendedSelection);

        toDoFilter_ = new TToDoFilterPanel(page_, state_, uiLockCount_);
        toDoFilter_->SetOnFilterChange([this] { TodoFilterChange(); });
    }

    actCopyToDoToClipboard_ = MakeWindowAction(window_, *this, "actCopyToDoToClipboard",
                                               "Copy", nullptr, &TToDoPage::actCopyToDoToClipboardExecute);
    actSelectAllInToDo_ = MakeWindowAction(window_, *this, "actSelectAllInToDo",
                                           "Select All", nullptr, &TToDoPage::actSelectAllInToDoExecute);

    // The To-Do list's pop-up menu.
    pmnuToDo_ = new QMenu(&window_);
    pmnuToDo_->addAction(actCopyToDoToClipboard_);
    pmnuToDo_->addAction(actSelectAllInToDo_);
    tvToDo_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tvToDo_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmnuToDo_->popup(tvToDo_->viewport()->mapToGlobal(pos)); });
}

void TToDoPage::SetPlacesVisible(bool Visible)
{
    if (toDoFilter_)
        toDoFilter_->SetPlacesVisible(Visible);
}

void TToDoPage::ShowVirtualRootBanner(const QString& Text)
{
    if (Text.isEmpty()) {
        pnlVirtualRoot2_->hide();
        return;
    }
    lbVirtualRoot2_->setText(Text);
    pnlVirtualRoot2_->show();
}

// ---- The To-Do list ----

void TToDoPage::RebuildToDoList()
{
    if (!host_.IsToDoSheetShown())
        return;
    host_.RestartDrawTime();
    host_.UpdateCurrentTask();
    host_.UpdateCurrentPlace();
    TTaskPlace* place = toDoFilter_->ToDoFilterPlace();
    const TDateTime date = toDoFilter_->IsToDoFilterPanelOpen() ? toDoFilter_->ToDoDate() : Now();
    state_.DataBase->RebuildToDo(host_.VirtualRoot(), place, true, date);

    const auto cursor = HourGlass();
    tvToDo_->setUpdatesEnabled(false);
    {
        TUILock lock(uiLockCount_);
        tvToDo_->clear();
        for (TTaskNode* task : state_.DataBase->ToDoList) {
            auto* node = new QTreeWidgetItem();
            node->setText(0, QString::fromStdString(task->Caption));
            SetItemTask(node, task);
            TTreeViewCheckBoxes::SetChecked(node, task->CompletionDateTime != 0);
            tvToDo_->addTopLevelItem(node);
        }
    }
    tvToDo_->setUpdatesEnabled(true);
}

void TToDoPage::TodoFilterChange()
{
    if (uiLockCount_ > 0)
        return;
    RebuildToDoList();
    SyncSelectionWithCurrentTask();
}

void TToDoPage::ApplyTaskChange(bool Delay, bool Force)
{
    host_.UpdateCurrentTask();
    if (!host_.IsActivePage() || !(Force || toDoFilter_->IsAutoUpdate()))
        return;
    if (Delay)
        DelayMs(100);
    RebuildToDoList();
    SyncSelectionWithCurrentTask();
}

void TToDoPage::RemoveSubtree(const TTaskNode* Task)
{
    const auto inSubtree = [Task](const TTaskNode* task) {
        return task && (task == Task || task->IsDescendantOf(Task));
    };
    TTaskNodeList& todo = state_.DataBase->ToDoList;
    for (int i = todo.Count() - 1; i >= 0; --i)
        if (inSubtree(todo[i]))
            todo.Delete(i);
    TUILock lock(uiLockCount_);
    for (int i = tvToDo_->topLevelItemCount() - 1; i >= 0; --i)
        if (inSubtree(ItemTask(tvToDo_->topLevelItem(i))))
            delete tvToDo_->takeTopLevelItem(i);
}

// ---- The page and its selection ----

void TToDoPage::PageShown()
{
    RebuildToDoList();
    {
        TUILock lock(uiLockCount_);
        tvToDo_->setFocus();
    }
    SyncSelectionWithCurrentTask();
}

void TToDoPage::SyncSelectionWithCurrentTask()
{
    TUILock lock(uiLockCount_);
    QTreeWidgetItem* node = FindTaskItem(tvToDo_, state_.CurrentTask);
    tvToDo_->clearSelection();
    if (node) {
        tvToDo_->setCurrentItem(node);
        host_.ShowSelectedTask(node);
        return;
    }
    tvToDo_->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
    // The panel shows the task of the highlighted row; rows of subtasks are not that task.
    host_.ShowSelectedTask(nullptr);
    if (!state_.CurrentTask)
        return;
    // The current task has no entry of its own: its subtasks in the list stand for it.
    const auto cursor = HourGlass();
    tvToDo_->setUpdatesEnabled(false);
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < tvToDo_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tvToDo_->topLevelItem(i);
        const TTaskNode* task = ItemTask(item);
        if (task && task->IsDescendantOf(state_.CurrentTask)) {
            item->setSelected(true);
            if (!first)
                first = item;
        }
    }
    tvToDo_->setUpdatesEnabled(true);
    if (first)
        tvToDo_->scrollToItem(first);
    host_.FocusMainPages();
}

// ---- Commands ----

void TToDoPage::actCopyToDoToClipboardExecute()
{
    std::vector<std::string> captions;
    for (QTreeWidgetItemIterator it(tvToDo_); *it; ++it)
        if ((*it)->isSelected())
            captions.push_back((*it)->text(0).toStdString());
    CopyTextToClipboard(ToDoClipboardText(captions));
}

void TToDoPage::actSelectAllInToDoExecute()
{
    TUILock lock(uiLockCount_);
    const auto cursor = HourGlass();
    tvToDo_->setUpdatesEnabled(false);
    for (QTreeWidgetItemIterator it(tvToDo_); *it; ++it)
        if (!(*it)->isSelected())
            (*it)->setSelected(true);
    tvToDo_->setUpdatesEnabled(true);
}
