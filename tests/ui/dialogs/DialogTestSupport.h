#pragma once
// Offscreen dialog tests: the window tests' application object and scripted boxes, and a way to
// act on a modal dialog from inside its own event loop, so that no dialog ever blocks.
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

#include "ui/window/WindowTestSupport.h"

// Once the next modal dialog of type D is up, runs action on it. A dialog of another type (or
// none) fails the test and is rejected, so the test goes on.
template <class D>
void WhenModal(std::function<void(D&)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<D*>(modal)) {
            action(*dialog);
            return;
        }
        ADD_FAILURE() << "no modal dialog of the expected kind";
        if (auto* other = qobject_cast<QDialog*>(modal))
            other->reject();
    });
}

// Installs scripted services for the test's lifetime.
class TServicesScope {
public:
    explicit TServicesScope(IWindowServices& services) { SetUiServices(&services); }
    ~TServicesScope() { SetUiServices(nullptr); }
};
