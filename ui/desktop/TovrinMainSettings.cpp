// The installation settings and what hangs off them: loading and saving, the window placement,
// the tray icon with minimise- and close-to-tray, Esc, the system hot key and auto-save.
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "ui/desktop/AutoSave.h"
#include "ui/desktop/GlobalHotKey.h"
#include "ui/controls/PageControl.h"
#include "ui/options/QtFont.h"
#include "ui/desktop/Settings.h"
#include "ui/desktop/ToolIcon.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/places/PlacePanel.h"

namespace {

// The window's events that the settings act on: minimise and restore, the first showing, and
// Esc pressed anywhere in the window.
class TSettingsEvents : public QObject {
public:
    explicit TSettingsEvents(TfrmTovrinMain* window) : QObject(window), window_(window) {}

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
                    QTimer::singleShot(0, window_, [w = window_] {
                        if (w->isMinimized())
                            RunGuarded([w] { w->AppMinimize(); });
                    });
                } else if (!window_->isMinimized() && wasMinimized) {
                    RunGuarded([w = window_] { w->AppRestore(); });
                }
                break;
            }
            case QEvent::Resize:
                if (window_->isVisible() && !window_->isMinimized())
                    RunGuarded([w = window_] { w->AppRestore(); });
                break;
            case QEvent::Show:
                if (!shown_) {
                    shown_ = true;
                    RunGuarded([w = window_] { w->RestoreWindowPosition(); });
                }
                break;
            default:
                break;
            }
            return false;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (watched == window_->edTaskPlaces) {
                bool handled = false;
                RunGuarded([&] { handled = window_->edTaskPlacesKeyDown(key->key(), key->modifiers()); });
                if (handled)
                    return true;
            }
            // The window previews every key once: at the widget that has the focus.
            auto* widget = qobject_cast<QWidget*>(watched);
            QWidget* focus = QApplication::focusWidget();
            if (widget && widget->window() == window_ && (widget == focus || (!focus && widget == window_))) {
                bool handled = false;
                RunGuarded([&] { handled = window_->FormKeyDown(key->key(), key->modifiers()); });
                return handled;
            }
        }
        return false;
    }

private:
    TfrmTovrinMain* window_;
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

void ApplyFontAndColor(QWidget* control, const TFontDesc& font, int32_t color)
{
    if (!control)
        return;
    control->setFont(ToQFont(font));
    // System colours come from the application's palette, not from one already changed here.
    const QPalette system = QApplication::palette(control);
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, ToQColor(color, system));
    palette.setColor(QPalette::Text, ToQColor(font.Color, system));
    control->setPalette(palette);
}

TScreenRect ToScreenRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

} // namespace

void TfrmTovrinMain::BuildSettings()
{
    TrayIcon = new TToolIcon(*this);
    TrayIcon->SetAutorefresh(false);
    TrayIcon->SetIcon(MakeProgramIcon());
    TrayIcon->OnLeftClick = [this](TToolIcon*) { RunGuarded([this] { ShowAppClick(); }); };
    pmnuTray = new QMenu(this);
    ShowApp1 = pmnuTray->addAction(QStringLiteral("Show"));
    ShowApp1->setObjectName(QStringLiteral("ShowApp1"));
    QFont bold = ShowApp1->font();
    bold.setBold(true);
    ShowApp1->setFont(bold);  // the default item
    pmnuTray->setDefaultAction(ShowApp1);
    connect(ShowApp1, &QAction::triggered, this, [this] { RunGuarded([this] { ShowAppClick(); }); });
    pmnuTray->addSeparator();
    Exit2 = pmnuTray->addAction(QStringLiteral("Exit"));
    Exit2->setObjectName(QStringLiteral("Exit2"));
    connect(Exit2, &QAction::triggered, this, [this] { RunGuarded([this] { Exit1Click(); }); });
    TrayIcon->SetPopupMenu(pmnuTray);

    tmrAutoSaveTimer = new QTimer(this);
    tmrAutoSaveTimer->setInterval(AutoSaveInterval);
    connect(tmrAutoSaveTimer, &QTimer::timeout, this, [this] { RunGuarded([this] { tmrAutoSaveTimerTimer(); }); });

    SystemHotKey = new TGlobalHotKey(this);
    SystemHotKey->OnHotKey = [this] { RunGuarded([this] { WMHotKey(); }); };

    Options1 = new QAction(QStringLiteral("Options..."), this);
    Options1->setObjectName(QStringLiteral("Options1"));
    connect(Options1, &QAction::triggered, this, [this] { RunGuarded([this] { Options1Click(); }); });

    auto* events = new TSettingsEvents(this);
    installEventFilter(events);
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
    SetOneClickEditMode(true);
    SetSaveWndPosition(true);
    WndPosLeft = WndPosWidth = WndPosTop = WndPosHeight = WndTreeWidth = -1;
    WndPosMaximized = false;
}

// ---- Loading and saving ----

namespace {

TInstallationSettings CurrentSettings(const TfrmTovrinMain& w)
{
    TInstallationSettings s;
    s.ShowInTray = w.ShowInTray;
    s.MinimizeToTray = w.MinimizeToTray;
    s.CloseToTray = w.CloseToTray;
    s.EscMinimizeApp = w.EscMinimizeApp;
    s.OneClickEditMode = w.OneClickEditMode;
    s.HotKeyActive = w.HotKeyActive;
    s.SaveWndPosition = w.SaveWndPosition;
    s.Placement = {w.WndPosLeft, w.WndPosWidth, w.WndPosTop, w.WndPosHeight, w.WndTreeWidth, w.WndPosMaximized};
    s.AutoSaveMode = w.AutoSaveMode;
    s.HotKeyChar = w.HotKeyChar;
    s.HotKeyShifts = w.HotKeyShifts;
    s.TasksFont = w.TasksFont;
    s.TasksColor = w.TasksColor;
    s.NoteFont = w.NoteFont;
    s.NoteColor = w.NoteColor;
    s.LastDBFile = w.LastDBFile;
    return s;
}

} // namespace

void TfrmTovrinMain::LoadSettings()
{
    TInstallationSettings s = CurrentSettings(*this);
    // The designed fonts and colours are the defaults.
    s.TasksFont = DefaultTasksFont;
    s.TasksColor = DefaultTasksColor;
    s.NoteFont = DefaultNoteFont;
    s.NoteColor = DefaultNoteColor;
    {
        auto store = OpenInstallationSettings(environment_.SettingsFile);
        LoadInstallationSettings(*store, s);
    }
    SetShowInTray(s.ShowInTray);
    SetMinimizeToTray(s.MinimizeToTray);
    SetCloseToTray(s.CloseToTray);
    SetEscMinimizeApp(s.EscMinimizeApp);
    SetOneClickEditMode(s.OneClickEditMode);
    SetHotKeyActive(s.HotKeyActive);
    SetSaveWndPosition(s.SaveWndPosition);
    SetAutoSaveMode(s.AutoSaveMode);
    WndPosLeft = s.Placement.Left;
    WndPosWidth = s.Placement.Width;
    WndPosTop = s.Placement.Top;
    WndPosHeight = s.Placement.Height;
    WndTreeWidth = s.Placement.TreeWidth;
    WndPosMaximized = s.Placement.Maximized;
    SetHotKeyChar(s.HotKeyChar);
    SetHotKeyShifts(s.HotKeyShifts);
    SetTasksFont(s.TasksFont, s.TasksColor);
    SetNoteFont(s.NoteFont, s.NoteColor);
    LastDBFile = s.LastDBFile;
}

void TfrmTovrinMain::SaveSettings()
{
    auto store = OpenInstallationSettings(environment_.SettingsFile);
    StoreWindowPlacement();
    LastDBFile = FileName;
    SaveInstallationSettings(*store, CurrentSettings(*this));
    // A changed key takes effect at once.
    UnregisterSystemHotKey();
    if (HotKeyActive)
        RegisterSystemHotKey();
}

// ---- Setting setters ----

void TfrmTovrinMain::SetShowInTray(bool Value)
{
    ShowInTray = Value;
    // While the program is hidden in the tray the icon is its only way back.
    TrayIcon->SetVisible(Value || HiddenInTray);
}

void TfrmTovrinMain::SetMinimizeToTray(bool Value)
{
    MinimizeToTray = Value;
    if (!Value)
        RestoreFromTray();
}

void TfrmTovrinMain::SetCloseToTray(bool Value)
{
    CloseToTray = Value;
}

void TfrmTovrinMain::SetEscMinimizeApp(bool Value)
{
    EscMinimizeApp = Value;
}

void TfrmTovrinMain::SetOneClickEditMode(bool Value)
{
    OneClickEditMode = Value;
}

void TfrmTovrinMain::SetHotKeyActive(bool Value)
{
    HotKeyActive = Value;
}

void TfrmTovrinMain::SetSaveWndPosition(bool Value)
{
    SaveWndPosition = Value;
}

void TfrmTovrinMain::SetHotKeyChar(const std::string& Value)
{
    const std::string c = HotKeyCharFromText(Value);
    if (!c.empty())
        HotKeyChar = c;
}

void TfrmTovrinMain::SetHotKeyShifts(int32_t Value)
{
    HotKeyShifts = ValidHotKeyShifts(Value);
}

void TfrmTovrinMain::SetTasksFont(const TFontDesc& Font, int32_t Color)
{
    TasksFont = Font;
    TasksColor = Color;
    for (QWidget* control : std::initializer_list<QWidget*>{tvTasksTree, tvToDo, places_->lvPlaces(), places_->lvIncludedPlaces()})
        ApplyFontAndColor(control, Font, Color);
}

void TfrmTovrinMain::SetNoteFont(const TFontDesc& Font, int32_t Color)
{
    NoteFont = Font;
    NoteColor = Color;
    for (QWidget* control : std::initializer_list<QWidget*>{TaskNotesEditor, places_->PlaceNotesEditor()})
        ApplyFontAndColor(control, Font, Color);
}

// ---- Window placement ----

void TfrmTovrinMain::StoreWindowPlacement()
{
    QRect normal = normalGeometry();
    if (!normal.isValid())
        normal = geometry();
    WndPosLeft = normal.x();
    WndPosWidth = normal.width();
    WndPosTop = normal.y();
    WndPosHeight = normal.height();
    WndTreeWidth = pcMainPages->width();
    WndPosMaximized = (windowState() & Qt::WindowMaximized) != 0;
}

void TfrmTovrinMain::RestoreWindowPosition()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const TWindowPlacement placement{WndPosLeft, WndPosWidth, WndPosTop, WndPosHeight, WndTreeWidth, WndPosMaximized};
    if (SaveWndPosition && PlacementOnScreen(placement, ToScreenRect(screen->virtualGeometry()))) {
        setGeometry(WndPosLeft, WndPosTop, WndPosWidth, WndPosHeight);
        if (WndTreeWidth >= 0) {
            // Once the new size has reached the splitter: its sizes share out its width.
            QTimer::singleShot(0, this, [this, treeWidth = WndTreeWidth] {
                splMain->setSizes({treeWidth, std::max(0, splMain->width() - splMain->handleWidth() - treeWidth)});
            });
        }
        if (WndPosMaximized)
            setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    resize(740, 500);
    const TWindowPosition position = CenteredWindowPosition(ToScreenRect(screen->availableGeometry()), width(), height());
    move(position.Left, position.Top);
}

// ---- Tray ----

void TfrmTovrinMain::HideToTray()
{
    HiddenInTray = true;
    hide();
    TrayIcon->SetVisible(true);
}

void TfrmTovrinMain::RestoreFromTray()
{
    if (HiddenInTray) {
        HiddenInTray = false;
        show();
    }
    TrayIcon->SetVisible(ShowInTray);
}

void TfrmTovrinMain::AppMinimize()
{
    if (MinimizeToTray)
        HideToTray();
}

void TfrmTovrinMain::AppRestore()
{
    if (MinimizeToTray || CloseToTray)
        RestoreFromTray();
}

void TfrmTovrinMain::ShowAppClick()
{
    RestoreFromTray();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool TfrmTovrinMain::FormKeyDown(int Key, Qt::KeyboardModifiers Shift)
{
    if (Key == Qt::Key_Escape && Shift == Qt::NoModifier && EscMinimizeApp)
        showMinimized();
    return false;  // the focused control still sees the key
}

bool TfrmTovrinMain::edTaskPlacesKeyDown(int Key, Qt::KeyboardModifiers Shift)
{
    if (Key != Qt::Key_Down || Shift != Qt::AltModifier || !btnSelectPlaces)
        return false;
    btnSelectPlaces->click();
    return true;
}

// ---- Hot key ----

bool TfrmTovrinMain::RegisterSystemHotKey()
{
    return SystemHotKey->Register(HotKeyChar, HotKeyShifts);  // a failure is ignored by the callers
}

void TfrmTovrinMain::UnregisterSystemHotKey()
{
    SystemHotKey->Unregister();
}

void TfrmTovrinMain::WMHotKey()
{
    // The key toggles between the program and the other windows.
    if (!HiddenInTray && isActiveWindow() && !isMinimized()) {
        showMinimized();
        return;
    }
    // Restoring brings the program back from the tray when a tray setting is on.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

// ---- Auto-save ----

void TfrmTovrinMain::SetAutoSaveMode(int32_t Mode)
{
    AutoSaveMode = ValidAutoSaveMode(Mode);
    if (AutoSaveTimerRuns(AutoSaveMode))
        tmrAutoSaveTimer->start();
    else
        tmrAutoSaveTimer->stop();
}

void TfrmTovrinMain::AppDeactivate()
{
    if (SaveOnDeactivate(AutoSaveMode, Modified, Untitled))
        SaveDocument();
}

void TfrmTovrinMain::tmrAutoSaveTimerTimer()
{
    SaveDocument();
}

bool TfrmTovrinMain::RunSaveDialog(TFileDialogRequest& Request)
{
    tmrAutoSaveTimer->stop();
    bool chosen = false;
    try {
        chosen = Services().ExecuteSaveDialog(Request);
    } catch (...) {
        SetAutoSaveMode(AutoSaveMode);
        throw;
    }
    SetAutoSaveMode(AutoSaveMode);
    return chosen;
}

// ---- Links ----

void TfrmTovrinMain::OpenLink(const std::string& URL)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(URL)));
}
