#include "ui/mainwindow/TovrinApplication.h"

#include "taskdb/UiServices.h"
#include "ui/mainwindow/WindowServices.h"

#include <QAbstractItemView>
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

namespace {

// While another box is up the message looks again a moment later: no event says a box closed.
constexpr int boxUpRetryMs = 50;

// An item view's in-place editor has the keyboard (Enter pressed again reopens one at once): a
// box now would take its focus and end that edit under the box's own loop.
bool InPlaceEditRunning()
{
    const QWidget* focus = QApplication::focusWidget();
    const QWidget* viewport = focus ? focus->parentWidget() : nullptr;
    const auto* view = viewport ? qobject_cast<const QAbstractItemView*>(viewport->parentWidget()) : nullptr;
    return view && view->viewport() == viewport;
}

void ShowWhenIdleAfter(int Delay, QObject* Context, std::function<void()> Show, std::function<bool()> StillWanted)
{
    QTimer::singleShot(Delay, Context ? Context : qApp,
                       [Context, Show = std::move(Show), StillWanted = std::move(StillWanted)]() mutable {
                           if (StillWanted && !StillWanted())
                               return;
                           if (QApplication::activeModalWidget() || InPlaceEditRunning()) {
                               ShowWhenIdleAfter(boxUpRetryMs, Context, std::move(Show), std::move(StillWanted));
                               return;
                           }
                           RunGuarded(Show);
                       });
}

} // namespace

void ShowWhenIdle(QObject* Context, std::function<void()> Show, std::function<bool()> StillWanted)
{
    ShowWhenIdleAfter(0, Context, std::move(Show), std::move(StillWanted));
}

void ShowCurrentExceptionWhenIdle(QObject* Context, std::function<bool()> StillWanted)
{
    std::string message;
    if (CurrentExceptionMessage(message))
        ShowWhenIdle(Context, [message] { ShowErrorMessage(message); }, std::move(StillWanted));
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
