#include "ui/mainwindow/TovrinApplication.h"

#include "taskdb/UiServices.h"
#include "ui/mainwindow/WindowServices.h"

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

void ShowCurrentException()
{
    IUiServices& services = UiServices();
    auto* window = dynamic_cast<IWindowServices*>(&services);
    std::string message;
    try {
        throw;
    } catch (const EAbort&) {
        return;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    if (window)
        window->ShowError(message);
    else
        services.ShowWarning(message);
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
