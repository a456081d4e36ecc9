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
