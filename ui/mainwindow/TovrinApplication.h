#pragma once
// The application object. Exceptions never cross Qt's event loop: one guard catches whatever a
// handler raises and shows its message in a box, as the class library's default handler does.
#include <QApplication>

#include <functional>

#include "platform/Exceptions.h"

// Raised to stop an operation without a message (the class library's silent abort).
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class TTovrinApplication : public QApplication {
    Q_OBJECT
public:
    TTovrinApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Runs action; an exception is shown through the window services and swallowed. Returns false
// when one was raised. The silent abort is swallowed without a box.
bool RunGuarded(const std::function<void()>& action);
// Shows the message of the exception being handled (call inside a catch block).
void ShowCurrentException();
// A box runs its own event loop: shown from inside an editor's commit, a focus change, a
// selection change or a page switch, it would let the half-done change go on under it (the
// editor closed and deleted meanwhile). Such boxes are shown once the event being handled is
// over, and once no other box is up (a box over a box), unless Context is gone or StillWanted
// says no by then (the outline it is about let go meanwhile).
void ShowWhenIdle(QObject* Context, std::function<void()> Show, std::function<bool()> StillWanted = {});
// As ShowCurrentException, the box shown when idle.
void ShowCurrentExceptionWhenIdle(QObject* Context = nullptr, std::function<bool()> StillWanted = {});
// As RunGuarded, a raised message shown when idle.
void RunGuardedWhenIdle(const std::function<void()>& action);
