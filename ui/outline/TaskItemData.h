#pragma once
// Tasks in tree rows: the row keeps the task's address in TaskRole. Shared by the outline tree
// and the To-Do tree.
#include <QPixmap>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVariant>

#include "taskdb/TaskNode.h"

inline constexpr int TaskRole = Qt::UserRole + 1;

inline TTaskNode* ItemTask(const QTreeWidgetItem* Item)
{
    if (!Item)
        return nullptr;
    return reinterpret_cast<TTaskNode*>(Item->data(0, TaskRole).value<quintptr>());
}

inline void SetItemTask(QTreeWidgetItem* Item, const TTaskNode* Task)
{
    Item->setData(0, TaskRole, QVariant::fromValue(reinterpret_cast<quintptr>(Task)));
    // Every task row keeps a picture's place between its check box and caption, where the
    // drawing puts the goal mark; captions stay aligned whether a task has one or not.
    static const QPixmap blank = [] {
        QPixmap image(16, 16);
        image.fill(Qt::transparent);
        return image;
    }();
    Item->setData(0, Qt::DecorationRole, blank);
}

// The first row, top to bottom, that shows Task (none for nullptr).
inline QTreeWidgetItem* FindTaskItem(QTreeWidget* Tree, const TTaskNode* Task)
{
    if (!Task)
        return nullptr;
    for (QTreeWidgetItemIterator it(Tree); *it; ++it)
        if (ItemTask(*it) == Task)
            return *it;
    return nullptr;
}
