#pragma once
// Small event filters shared by the window's editors.
#include <QEvent>
#include <QKeyEvent>
#include <QObject>

#include <functional>
#include <utility>

// F2 in an in-place editor ends the editing.
class TEditorF2Filter : public QObject {
public:
    TEditorF2Filter(QObject* parent, std::function<void()> onF2) : QObject(parent), onF2_(std::move(onF2)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F2) {
            onF2_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onF2_;
};

// Calls OnEnter and OnExit as a watched editor gains and loses the focus.
class TFocusFilter : public QObject {
public:
    TFocusFilter(QObject* parent, std::function<void()> onEnter, std::function<void()> onExit)
        : QObject(parent), onEnter_(std::move(onEnter)), onExit_(std::move(onExit))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn)
            onEnter_();
        else if (event->type() == QEvent::FocusOut)
            onExit_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onEnter_;
    std::function<void()> onExit_;
};
