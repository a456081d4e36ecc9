#pragma once
// The window on the desktop: the tray icon with minimise- and close-to-tray, Esc, the system
// hot key, auto-save and the window placement. The part owns the icon, its menu, the timer and
// the key; the shell loads and stores its settings and is asked the rest through a narrow host.
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/desktop/WindowPlacement.h"

class IWindowServices;
class QAction;
class QKeyEvent;
class QMainWindow;
class QMenu;
class QTimer;
class TGlobalHotKey;
class TToolIcon;
struct TFileDialogRequest;
struct TWindowState;

// What the desktop part asks of the rest of the window.
struct TDesktopHost {
    std::function<void()> ExitClick;
    std::function<bool()> SaveDocument;
    std::function<bool()> IsUntitled;
    // The width of the outline side of the splitter, and a width to give it back.
    std::function<int()> TreeWidth;
    std::function<void(int Width)> SetTreeWidth;
    // A key seen before the window previews it; true when it was handled there.
    std::function<bool(QObject* Watched, QKeyEvent* Key)> PreviewKey;
};

class TDesktopIntegration : public QObject {
    Q_OBJECT
public:
    // Makes the tray icon, its menu, the auto-save timer and the hot key, and watches Window's
    // events; then sets the defaults, before the stored settings are read.
    TDesktopIntegration(QMainWindow& Window, TWindowState& State, IWindowServices& Services, TDesktopHost Host);

    void SetShowInTray(bool Value);
    void SetMinimizeToTray(bool Value);
    void SetCloseToTray(bool Value);
    void SetEscMinimizeApp(bool Value);
    void SetHotKeyActive(bool Value);
    void SetSaveWndPosition(bool Value);
    void SetHotKeyChar(const std::string& Value);
    void SetHotKeyShifts(int32_t Value);
    void SetAutoSaveMode(int32_t Mode);
    // The normal placement of the window and the outline's width, as stored with the settings.
    void SetPlacement(const TWindowPlacement& Value) { placement_ = Value; }
    const TWindowPlacement& Placement() const { return placement_; }
    void RestoreWindowPosition();
    void StoreWindowPlacement();
    void HideToTray();
    void RestoreFromTray();
    void AppMinimize();
    void AppRestore();
    void AppDeactivate();
    void ShowAppClick();
    bool FormKeyDown(int Key, Qt::KeyboardModifiers Shift);
    void WMHotKey();
    bool RegisterSystemHotKey();
    void UnregisterSystemHotKey();
    void tmrAutoSaveTimerTimer();
    // The Save dialog of an untitled outline, with the auto-save timer stopped while it is open.
    bool RunSaveDialog(TFileDialogRequest& Request);
    // Opens a link clicked in a notes editor, with the desktop's own program for it.
    void OpenLink(const std::string& URL);

    bool ShowInTray() const { return showInTray_; }
    bool MinimizeToTray() const { return minimizeToTray_; }
    bool CloseToTray() const { return closeToTray_; }
    bool EscMinimizeApp() const { return escMinimizeApp_; }
    bool HotKeyActive() const { return hotKeyActive_; }
    bool SaveWndPosition() const { return saveWndPosition_; }
    int32_t AutoSaveMode() const { return autoSaveMode_; }
    const std::string& HotKeyChar() const { return hotKeyChar_; }
    int32_t HotKeyShifts() const { return hotKeyShifts_; }
    // Hidden to the notification area: no window and no taskbar entry, only the tray icon.
    bool HiddenInTray() const { return hiddenInTray_; }
    TToolIcon* TrayIcon() const { return TrayIcon_; }
    QMenu* pmnuTray() const { return pmnuTray_; }
    QAction* ShowApp1() const { return ShowApp1_; }
    QAction* Exit2() const { return Exit2_; }
    QTimer* tmrAutoSaveTimer() const { return tmrAutoSaveTimer_; }
    TGlobalHotKey* SystemHotKey() const { return SystemHotKey_; }

private:
    QMainWindow& window_;
    TWindowState& state_;
    IWindowServices& services_;
    TDesktopHost host_;
    bool showInTray_ = true;
    bool minimizeToTray_ = false;
    bool closeToTray_ = false;
    bool escMinimizeApp_ = false;
    bool hotKeyActive_ = true;
    bool saveWndPosition_ = true;
    TWindowPlacement placement_;
    int32_t autoSaveMode_ = 0;
    std::string hotKeyChar_ = "Q";
    int32_t hotKeyShifts_ = 8;
    bool hiddenInTray_ = false;
    TToolIcon* TrayIcon_ = nullptr;
    QMenu* pmnuTray_ = nullptr;
    QAction* ShowApp1_ = nullptr;
    QAction* Exit2_ = nullptr;
    QTimer* tmrAutoSaveTimer_ = nullptr;
    TGlobalHotKey* SystemHotKey_ = nullptr;
};
