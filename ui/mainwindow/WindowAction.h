#pragma once
// A window command as every part makes it: named (tests and settings find it by name), added to
// the window so that its shortcut works while the menus are closed, and run so that no exception
// crosses the event loop.
#include <QAction>
#include <QKeySequence>
#include <QString>
#include <QWidget>

#include "ui/mainwindow/TovrinApplication.h"

template <class TOwner>
QAction* MakeWindowAction(QWidget& Window, TOwner& Owner, const char* Name, const char* Text, const char* Key,
                          void (TOwner::*Handler)())
{
    auto* action = new QAction(QString::fromUtf8(Text), &Window);
    action->setObjectName(QString::fromLatin1(Name));
    if (Key)
        action->setShortcut(QKeySequence(QString::fromLatin1(Key)));
    Window.addAction(action);
    QObject::connect(action, &QAction::triggered, &Owner,
                     [&Owner, Handler] { RunGuarded([&Owner, Handler] { (Owner.*Handler)(); }); });
    return action;
}
