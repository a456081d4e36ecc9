#pragma once
// Keys bound to more than one command: the key runs the first enabled command in the order the
// commands were given. Qt treats two enabled actions with one shortcut as ambiguous and runs
// neither, so these actions carry no shortcut of their own; the menus show the key in the text.
#include <QKeySequence>
#include <QList>
#include <QObject>

class QAction;
class QShortcut;
class QWidget;

class TSharedShortcutDispatcher : public QObject {
    Q_OBJECT
public:
    explicit TSharedShortcutDispatcher(QWidget* window);

    // Binds key to the actions, in priority order, and shows the key in their menu texts.
    void Bind(const QKeySequence& key, const QList<QAction*>& actions);
    // Runs the first enabled action bound to key; false when none is enabled.
    bool Dispatch(const QKeySequence& key);

private:
    struct TBinding {
        QKeySequence Key;
        QList<QAction*> Actions;
    };
    QWidget* window_;
    QList<TBinding> bindings_;
};
