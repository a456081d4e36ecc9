#pragma once
// The program's icon in the notification area, over Qt's tray icon: a tool tip of at most 63
// characters, mouse actions reported as events, and a menu on a right click that a handler may
// veto. Icons on one owner are told apart by IconIndex.
#include <QIcon>
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class QMenu;
class QSystemTrayIcon;
class QTimer;

class TToolIcon : public QObject {
    Q_OBJECT
public:
    explicit TToolIcon(QObject& Owner);
    ~TToolIcon() override;

    static constexpr int MaxTipLength = 63;

    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& Value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& Value);
    // The tip as the notification area shows it.
    std::string ShownTip() const;
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    int32_t IconIndex() const { return iconIndex_; }
    void SetIconIndex(int32_t) {}  // fixed at creation
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* Value) { popupMenu_ = Value; }
    int32_t RefreshInterval() const { return refreshInterval_; }
    void SetRefreshInterval(int32_t Value);
    bool Autorefresh() const { return refreshTimer_ != nullptr; }
    void SetAutorefresh(bool Value);

    using TNotifyEvent = std::function<void(TToolIcon* Sender)>;
    void SetOnLeftClick(TNotifyEvent Handler) { onLeftClick_ = std::move(Handler); }
    void SetOnRightClick(TNotifyEvent Handler) { onRightClick_ = std::move(Handler); }
    void SetOnRightDoubleClick(TNotifyEvent Handler) { onRightDoubleClick_ = std::move(Handler); }
    void SetOnLeftDoubleClick(TNotifyEvent Handler) { onLeftDoubleClick_ = std::move(Handler); }
    void SetOnMouseMove(TNotifyEvent Handler) { onMouseMove_ = std::move(Handler); }
    // The handler may clear Popup to keep the menu from showing.
    using TPopupEvent = std::function<void(TToolIcon* Sender, bool& Popup)>;
    void SetOnBeforePopup(TPopupEvent Handler) { onBeforePopup_ = std::move(Handler); }

    // Shows the icon again when visible (after the notification area has lost it).
    void Refresh();

    enum class TIconMouse { MouseMove, LeftButtonUp, RightButtonUp, RightDoubleClick, LeftDoubleClick };
    // A mouse action on the icon IconId; actions on another icon are not this one's.
    void IconMessage(int32_t IconId, TIconMouse Mouse);

    // Qt's tray icon while the icon is visible, nullptr otherwise.
    QSystemTrayIcon* TrayIcon() const { return tray_; }

private:
    void ModifyIcon();
    void PopupSequence();

    TNotifyEvent onLeftClick_;
    TNotifyEvent onRightClick_;
    TNotifyEvent onRightDoubleClick_;
    TNotifyEvent onLeftDoubleClick_;
    TNotifyEvent onMouseMove_;
    TPopupEvent onBeforePopup_;
    QIcon icon_;
    std::string hint_;
    bool visible_ = false;
    int32_t iconIndex_ = 0;
    QMenu* popupMenu_ = nullptr;
    int32_t refreshInterval_ = 1000;
    QTimer* refreshTimer_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
};
