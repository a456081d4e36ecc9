#include "ui/desktop/GlobalHotKey.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace {

Display* XDisplay()
{
    auto* app = qGuiApp;
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// Caps Lock and Num Lock must not stop the hot key: the key is grabbed with each of their
// combinations.
constexpr unsigned int LockMasks[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

bool grabFailed = false;

int RecordGrabError(Display*, XErrorEvent* event)
{
    if (event->error_code == BadAccess || event->error_code == BadValue || event->error_code == BadWindow)
        grabFailed = true;
    return 0;
}

} // namespace

TGlobalHotKey::TGlobalHotKey(QObject* parent) : QObject(parent) {}

TGlobalHotKey::~TGlobalHotKey()
{
    Unregister();
    if (filterInstalled_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool TGlobalHotKey::Register(const std::string& Char, int32_t Shifts)
{
    Unregister();
    Display* display = XDisplay();
    const TX11HotKey key = ToX11HotKey(Char, Shifts);
    if (!display || !key.Valid)
        return false;
    const KeyCode code = XKeysymToKeycode(display, key.KeySym);
    if (code == 0)
        return false;

    const Window root = DefaultRootWindow(display);
    XSync(display, False);
    grabFailed = false;
    XErrorHandler previous = XSetErrorHandler(RecordGrabError);
    for (unsigned int locks : LockMasks)
        XGrabKey(display, code, key.Modifiers | locks, root, True, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (grabFailed) {
        // Another program holds the key: let go of whatever combinations were granted.
        for (unsigned int locks : LockMasks)
            XUngrabKey(display, code, key.Modifiers | locks, root);
        XFlush(display);
        return false;
    }
    keyCode_ = code;
    modifiers_ = key.Modifiers;
    if (!filterInstalled_) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
    return true;
}

void TGlobalHotKey::Unregister()
{
    if (keyCode_ == 0)
        return;
    if (Display* display = XDisplay()) {
        const Window root = DefaultRootWindow(display);
        for (unsigned int locks : LockMasks)
            XUngrabKey(display, keyCode_, modifiers_ | locks, root);
        XFlush(display);
    }
    keyCode_ = 0;
    modifiers_ = 0;
}

bool TGlobalHotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (keyCode_ == 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    const unsigned int relevant = press->state & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
    if (press->detail != keyCode_ || relevant != modifiers_)
        return false;
    if (onHotKey_)
        onHotKey_();
    return true;
}
