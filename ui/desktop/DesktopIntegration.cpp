#include "ui/desktop/DesktopIntegration.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "ui/desktop/AutoSave.h"
#include "ui/desktop/GlobalHotKey.h"
#include "ui/desktop/HotKey.h"
#include "ui/desktop/ToolIcon.h"
#include "ui/desktop/WindowPlacement.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/mainwindow/WindowState.h"

namespace {

// The window's events that the settings act on: minimise and restore, the first showing, and
// Esc pressed anywhere in the window.
class TSettingsEvents : public QObject {
public:
    TSettingsEvents(TDesktopIntegration* part, QMainWindow* window, std::function<bool(QObject*, QKeyEvent*)> preview) :
        QObject(part), part_(part), window_(window), preview_(std::move(preview))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_) {
            switch (event->type()) {
            case QEvent::WindowStateChange: {
                const auto* change = static_cast<QWindowStateChangeEvent*>(event);
                const bool wasMinimized = change->oldState() & Qt::WindowMinimized;
                if (window_->isMinimized() && !wasMinimized) {
                    // After the minimise has run its course: showing a minimised window raises
                    // this event before it makes the window visible.
                    QTimer::singleShot(0, part_, [p = part_, w = window_] {
                        if (w->isMinimized())
                            RunGuarded([p] { p->AppMinimize(); });
                    });
                } else if (!window_->isMinimized() && wasMinimized) {
                    RunGuarded([p = part_] { p->AppRestore(); });
                }
                break;
            }
            case QEvent::Resize:
                if (window_->isVisible() && !window_->isMinimized())
                    RunGuarded([p = part_] { p->AppRestore(); });
                break;
            case QEvent::Show:
                if (!shown_) {
                    shown_ = true;
                    RunGuarded([p = part_] { p->RestoreWindowPosition(); });
                }
                break;
            default:
                break;
            }
            return false;
        }
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (preview_(watched, key))
                return true;
            // The window previews every key once: at the widget that has the focus.
            auto* widget = qobject_cast<QWidget*>(watched);
            QWidget* focus = QApplication::focusWidget();
            if (widget && widget->window() == window_ && (widget == focus || (!focus && widget == window_))) {
                bool handled = false;
                RunGuarded([&] { handled = part_->FormKeyDown(key->key(), key->modifiers()); });
                return handled;
            }
        }
        return false;
    }

private:
    TDesktopIntegration* part_;
    QMainWindow* window_;
    std::function<bool(QObject*, QKeyEvent*)> preview_;
    bool shown_ = false;
};

QIcon MakeProgramIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 110, 190));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    QPainterPath check;
    check.moveTo(8, 17);
    check.lineTo(14, 23);
    check.lineTo(25, 9);
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(check);
    return QIcon(pixmap);
}

TScreenRect ToScreenRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

// Gives the left pane its stored width once the window has the size of its restored state. A
// maximise takes effect some time after it is asked for, and the splitter shares out the growth,
// so the width is given again after each resize until the window is maximised at another size
// than its normal one.
class TTreeWidthRestore : public QObject {
public:
    TTreeWidthRestore(QWidget& Window, int32_t TreeWidth, bool Maximized, QSize NormalSize,
                      std::function<void(int)> SetTreeWidth) :
        QObject(&Window), window_(Window), treeWidth_(TreeWidth), maximized_(Maximized), normalSize_(NormalSize),
        setTreeWidth_(std::move(SetTreeWidth))
    {
        window_.installEventFilter(this);
        ApplyLater();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &window_ && event->type() == QEvent::Resize)
            ApplyLater();
        return false;
    }

private:
    // Once the resize has reached the splitter.
    void ApplyLater() { QTimer::singleShot(0, this, [this] { RunGuarded([this] { Apply(); }); }); }
    void Apply()
    {
        if (done_)
            return;
        setTreeWidth_(treeWidth_);
        if (!maximized_ || (window_.isMaximized() && window_.size() != normalSize_)) {
            done_ = true;
            window_.removeEventFilter(this);
            deleteLater();
        }
    }

    QWidget& window_;
    int32_t treeWidth_;
    bool maximized_;
    QSize normalSize_;
    std::function<void(int)> setTreeWidth_;
    bool done_ = false;
};

} // namespace

TDesktopIntegration::TDesktopIntegration(QMainWindow& Window, TWindowState& State, IWindowServices& Services,
                                         TDesktopHost Host)
    : QObject(&Window), window_(Window), state_(State), services_(Services), host_(std::move(Host))
{
    TrayIcon_ = new TToolIcon(Window);
    TrayIcon_->SetAutorefresh(false);
    TrayIcon_->SetIcon(MakeProgramIcon());
    TrayIcon_->SetOnLeftClick([this](TToolIcon*) { RunGuarded([this] { ShowAppClick(); }); });
    pmnuTray_ = new QMenu(&Window);
    ShowApp1_ = pmnuTray_->addAction(QStringLiteral("Show"));
    ShowApp1_->setObjectName(QStringLiteral("ShowApp1"));
    QFont bold = ShowApp1_->font();
    bold.setBold(true);
    ShowApp1_->setFont(bold);  // the default item
    pmnuTray_->setDefaultAction(ShowApp1_);
    connect(ShowApp1_, &QAction::triggered, this, [this] { RunGuarded([this] { ShowAppClick(); }); });
    pmnuTray_->addSeparator();
    Exit2_ = pmnuTray_->addAction(QStringLiteral("Exit"));
    Exit2_->setObjectName(QStringLiteral("Exit2"));
    connect(Exit2_, &QAction::triggered, this, [this] { RunGuarded([this] { host_.ExitClick(); }); });
    TrayIcon_->SetPopupMenu(pmnuTray_);

    tmrAutoSaveTimer_ = new QTimer(&Window);
    tmrAutoSaveTimer_->setInterval(AutoSaveInterval);
    connect(tmrAutoSaveTimer_, &QTimer::timeout, this, [this] { RunGuarded([this] { tmrAutoSaveTimerTimer(); }); });

    SystemHotKey_ = new TGlobalHotKey(&Window);
    SystemHotKey_->SetOnHotKey([this] { RunGuarded([this] { WMHotKey(); }); });

    auto* events = new TSettingsEvents(this, &Window, host_.PreviewKey);
    Window.installEventFilter(events);
    qApp->installEventFilter(events);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationInactive)
            RunGuarded([this] { AppDeactivate(); });
    });

    // The defaults, before the stored settings are read.
    SetCloseToTray(false);
    SetEscMinimizeApp(false);
    SetShowInTray(true);
    SetMinimizeToTray(false);
    SetAutoSaveMode(asNever);
    SetHotKeyActive(true);
    SetHotKeyChar(DefaultHotKeyChar);
    SetHotKeyShifts(DefaultHotKeyShifts);
    SetSaveWndPosition(true);
    placement_ = {};
}

// ---- Setting setters ----

void TDesktopIntegration::SetShowInTray(bool Value)
{
    showInTray_ = Value;
    // While the program is hidden in the tray the icon is its only way back.
    TrayIcon_->SetVisible(Value || hiddenInTray_);
}

void TDesktopIntegration::SetMinimizeToTray(bool Value)
{
    minimizeToTray_ = Value;
    if (!Value)
        RestoreFromTray();
}

void TDesktopIntegration::SetCloseToTray(bool Value)
{
    closeToTray_ = Value;
}

void TDesktopIntegration::SetEscMinimizeApp(bool Value)
{
    escMinimizeApp_ = Value;
}

void TDesktopIntegration::SetHotKeyActive(bool Value)
{
    hotKeyActive_ = Value;
}

void TDesktopIntegration::SetSaveWndPosition(bool Value)
{
    saveWndPosition_ = Value;
}

void TDesktopIntegration::SetHotKeyChar(const std::string& Value)
{
    const std::string c = HotKeyCharFromText(Value);
    if (!c.empty())
        hotKeyChar_ = c;
}

void TDesktopIntegration::SetHotKeyShifts(int32_t Value)
{
    hotKeyShifts_ = ValidHotKeyShifts(Value);
}

// ---- Window placement ----

void TDesktopIntegration::StoreWindowPlacement()
{
    QRect normal = window_.normalGeometry();
    if (!normal.isValid())
        normal = window_.geometry();
    placement_.Left = normal.x();
    placement_.Width = normal.width();
    placement_.Top = normal.y();
    placement_.Height = normal.height();
    placement_.TreeWidth = host_.TreeWidth();
    placement_.Maximized = (window_.windowState() & Qt::WindowMaximized) != 0;
}

void TDesktopIntegration::RestoreWindowPosition()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    if (saveWndPosition_ && PlacementOnScreen(placement_, ToScreenRect(screen->virtualGeometry()))) {
        window_.setGeometry(placement_.Left, placement_.Top, placement_.Width, placement_.Height);
        if (placement_.TreeWidth >= 0) {
            // The normal size as the window takes it, within its own limits.
            const QSize normal = QSize(placement_.Width, placement_.Height)
                                     .expandedTo(window_.minimumSize())
                                     .boundedTo(window_.maximumSize());
            new TTreeWidthRestore(window_, placement_.TreeWidth, placement_.Maximized, normal, host_.SetTreeWidth);
        }
        if (placement_.Maximized)
            window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
        return;
    }
    window_.resize(740, 500);
    // Centred on the whole primary screen, not on the part the desktop's panels leave free.
    const TWindowPosition position = CenteredWindowPosition(ToScreenRect(screen->geometry()), window_.width(), window_.height());
    window_.move(position.Left, position.Top);
}

// ---- Tray ----

void TDesktopIntegration::HideToTray()
{
    hiddenInTray_ = true;
    window_.hide();
    TrayIcon_->SetVisible(true);
}

void TDesktopIntegration::RestoreFromTray()
{
    if (hiddenInTray_) {
        hiddenInTray_ = false;
        window_.show();
    }
    TrayIcon_->SetVisible(showInTray_);
}

void TDesktopIntegration::AppMinimize()
{
    if (minimizeToTray_)
        HideToTray();
}

void TDesktopIntegration::AppRestore()
{
    if (minimizeToTray_ || closeToTray_)
        RestoreFromTray();
}

void TDesktopIntegration::ShowAppClick()
{
    RestoreFromTray();
    window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
    window_.show();
    window_.raise();
    window_.activateWindow();
}

bool TDesktopIntegration::FormKeyDown(int Key, Qt::KeyboardModifiers Shift)
{
    if (Key == Qt::Key_Escape && Shift == Qt::NoModifier && escMinimizeApp_)
        window_.showMinimized();
    return false;  // the focused control still sees the key
}

// ---- Hot key ----

bool TDesktopIntegration::RegisterSystemHotKey()
{
    return SystemHotKey_->Register(hotKeyChar_, hotKeyShifts_);  // a failure is ignored by the callers
}

void TDesktopIntegration::UnregisterSystemHotKey()
{
    SystemHotKey_->Unregister();
}

void TDesktopIntegration::WMHotKey()
{
    // The key toggles between the program and the other windows.
    if (!hiddenInTray_ && window_.isActiveWindow() && !window_.isMinimized()) {
        window_.showMinimized();
        return;
    }
    // Restoring brings the program back from the tray when a tray setting is on.
    window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
    if (window_.isVisible()) {
        window_.raise();
        window_.activateWindow();
    }
}

// ---- Auto-save ----

void TDesktopIntegration::SetAutoSaveMode(int32_t Mode)
{
    autoSaveMode_ = ValidAutoSaveMode(Mode);
    if (AutoSaveTimerRuns(autoSaveMode_))
        tmrAutoSaveTimer_->start();
    else
        tmrAutoSaveTimer_->stop();
}

void TDesktopIntegration::AppDeactivate()
{
    if (SaveOnDeactivate(autoSaveMode_, state_.Modified, host_.IsUntitled()))
        host_.SaveDocument();
}

void TDesktopIntegration::tmrAutoSaveTimerTimer()
{
    host_.SaveDocument();
}

bool TDesktopIntegration::RunSaveDialog(TFileDialogRequest& Request)
{
    tmrAutoSaveTimer_->stop();
    bool chosen = false;
    try {
        chosen = services_.ExecuteSaveDialog(Request);
    } catch (...) {
        SetAutoSaveMode(autoSaveMode_);
        throw;
    }
    SetAutoSaveMode(autoSaveMode_);
    return chosen;
}

void TDesktopIntegration::OpenLink(const std::string& URL)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(URL)));
}
