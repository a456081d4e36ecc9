#pragma once
// Tasks in tree items: the item keeps the task's address in TaskRole.
#include <QTreeWidgetItem>
#include <QVariant>

class TTaskNode;

inline constexpr int TaskRole = Qt::UserRole + 1;

inline TTaskNode* TaskOfItem(const QTreeWidgetItem* Item)
{
    if (!Item)
        return nullptr;
    return reinterpret_cast<TTaskNode*>(Item->data(0, TaskRole).value<quintptr>());
}
