#include "ui/mainwindow/SharedShortcuts.h"

#include <QAction>
#include <QShortcut>
#include <QWidget>

TSharedShortcutDispatcher::TSharedShortcutDispatcher(QWidget* window) : QObject(window), window_(window) {}

void TSharedShortcutDispatcher::Bind(const QKeySequence& key, const QList<QAction*>& actions)
{
    bindings_.append({key, actions});
    for (QAction* action : actions) {
        action->setShortcut(QKeySequence());
        QString text = action->text();
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        if (tab >= 0)
            text.truncate(tab);
        action->setText(text + QLatin1Char('\t') + key.toString(QKeySequence::NativeText));
    }
    auto* shortcut = new QShortcut(key, window_);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, key] { Dispatch(key); });
}

bool TSharedShortcutDispatcher::Dispatch(const QKeySequence& key)
{
    for (const TBinding& binding : bindings_) {
        if (binding.Key != key)
            continue;
        for (QAction* action : binding.Actions) {
            if (action->isEnabled()) {
                action->trigger();
                return true;
            }
        }
    }
    return false;
}
