#include "ui/desktop/ToolIcon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

TToolIcon::TToolIcon(QObject& Owner) : QObject(&Owner)
{
    int32_t highest = -1;
    for (const TToolIcon* other : Owner.findChildren<TToolIcon*>(Qt::FindDirectChildrenOnly)) {
        if (other != this)
            highest = std::max(highest, other->iconIndex_);
    }
    iconIndex_ = highest + 1;
    SetAutorefresh(true);
}

TToolIcon::~TToolIcon()
{
    SetAutorefresh(false);
    SetVisible(false);
}

void TToolIcon::SetIcon(const QIcon& Value)
{
    icon_ = Value;
    ModifyIcon();  // a new picture shows at once
}

void TToolIcon::SetHint(const std::string& Value)
{
    hint_ = Value;
    ModifyIcon();
}

std::string TToolIcon::ShownTip() const
{
    QString tip = QString::fromStdString(hint_);
    if (tip.size() > MaxTipLength) {
        int length = MaxTipLength;
        if (tip.at(length - 1).isHighSurrogate())
            --length;  // never half a character
        tip.truncate(length);
    }
    return tip.toStdString();
}

void TToolIcon::SetVisible(bool Value)
{
    if (Value == visible_)
        return;
    visible_ = Value;
    if (Value) {
        tray_ = new QSystemTrayIcon(this);
        connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            switch (reason) {
            case QSystemTrayIcon::Trigger:
                IconMessage(iconIndex_, TIconMouse::LeftButtonUp);
                break;
            case QSystemTrayIcon::DoubleClick:
                IconMessage(iconIndex_, TIconMouse::LeftDoubleClick);
                break;
            case QSystemTrayIcon::Context:
                IconMessage(iconIndex_, TIconMouse::RightButtonUp);
                break;
            default:
                break;
            }
        });
        ModifyIcon();
        tray_->show();
    } else {
        delete tray_;
        tray_ = nullptr;
    }
}

void TToolIcon::ModifyIcon()
{
    if (!tray_)
        return;
    tray_->setIcon(icon_);
    tray_->setToolTip(QString::fromStdString(ShownTip()));
}

void TToolIcon::SetRefreshInterval(int32_t Value)
{
    refreshInterval_ = Value;
    if (refreshTimer_)
        refreshTimer_->setInterval(std::max(1, Value));
}

void TToolIcon::SetAutorefresh(bool Value)
{
    if (Value == Autorefresh())
        return;
    if (Value) {
        refreshTimer_ = new QTimer(this);
        refreshTimer_->setInterval(std::max(1, refreshInterval_));
        connect(refreshTimer_, &QTimer::timeout, this, &TToolIcon::Refresh);
        refreshTimer_->start();
    } else {
        delete refreshTimer_;
        refreshTimer_ = nullptr;
    }
}

void TToolIcon::Refresh()
{
    if (visible_ && tray_)
        tray_->show();
}

void TToolIcon::IconMessage(int32_t IconId, TIconMouse Mouse)
{
    if (IconId != iconIndex_)
        return;
    switch (Mouse) {
    case TIconMouse::MouseMove:
        if (onMouseMove_)
            onMouseMove_(this);
        break;
    case TIconMouse::LeftButtonUp:
        if (onLeftClick_)
            onLeftClick_(this);
        break;
    case TIconMouse::RightButtonUp:
        if (onRightClick_)
            onRightClick_(this);
        if (popupMenu_)
            PopupSequence();
        break;
    case TIconMouse::RightDoubleClick:
        if (onRightDoubleClick_)
            onRightDoubleClick_(this);
        break;
    case TIconMouse::LeftDoubleClick:
        if (onLeftDoubleClick_)
            onLeftDoubleClick_(this);
        break;
    }
}

void TToolIcon::PopupSequence()
{
    try {
        // The program comes to the front first, so that the menu closes when clicked away.
        if (QWidget* window = popupMenu_->parentWidget() ? popupMenu_->parentWidget()->window() : nullptr) {
            if (window->isVisible())
                window->activateWindow();
        }
        QCoreApplication::processEvents();
        bool popup = true;
        if (onBeforePopup_)
            onBeforePopup_(this, popup);
        if (popup && popupMenu_)
            popupMenu_->popup(QCursor::pos());
    } catch (...) {
        // A failing menu must not reach the notification area's message handling.
    }
}
