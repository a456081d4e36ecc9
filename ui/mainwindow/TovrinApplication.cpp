#include "ui/mainwindow/TovrinApplication.h"

#include "taskdb/UiServices.h"
#include "ui/mainwindow/WindowServices.h"

#include <QTimer>

#include <typeinfo>

TTovrinApplication::TTovrinApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Tovrin"));
    // No display name: Qt would append it to every window title, which already names the program.
    setOrganizationName(QStringLiteral("Tovrin"));
    // The desktop entry that names and pictures the program's windows.
    setDesktopFileName(QStringLiteral("tovrin"));
}

bool TTovrinApplication::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    RunGuarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

namespace {

// The message of the exception being handled; false for the silent abort.
bool CurrentExceptionMessage(std::string& message)
{
    try {
        throw;
    } catch (const EAbort&) {
        return false;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    return true;
}

void ShowErrorMessage(const std::string& message)
{
    IUiServices& services = UiServices();
    if (auto* window = dynamic_cast<IWindowServices*>(&services))
        window->ShowError(message);
    else
        services.ShowWarning(message);
}

} // namespace

void ShowCurrentException()
{
    std::string message;
    if (CurrentExceptionMessage(message))
        ShowErrorMessage(message);
}

void ShowWhenIdle(QObject* Context, std::function<void()> Show)
{
    QTimer::singleShot(0, Context ? Context : qApp, [Show = std::move(Show)] { RunGuarded(Show); });
}

void ShowCurrentExceptionWhenIdle()
{
    std::string message;
    if (CurrentExceptionMessage(message))
        ShowWhenIdle(nullptr, [message] { ShowErrorMessage(message); });
}

bool RunGuarded(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (...) {
        try {
            ShowCurrentException();
        } catch (...) {
            // A failing message box must not take the program down.
        }
        return false;
    }
}

void RunGuardedWhenIdle(const std::function<void()>& action)
{
    try {
        action();
    } catch (...) {
        ShowCurrentExceptionWhenIdle();
    }
}
