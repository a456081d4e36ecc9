#pragma once
// The system-wide hot key: a key grab on the X display's root window. Where the program runs
// without an X display (Wayland without XWayland, the offscreen platform) registration fails
// quietly and the program works on without its hot key.
#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "ui/desktop/HotKey.h"

class TGlobalHotKey : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit TGlobalHotKey(QObject* parent = nullptr);
    ~TGlobalHotKey() override;

    // Grabs the key of Char with the modifiers Shifts (THotKeyShift bits), in place of any key
    // grabbed before. False when there is no X display, the character names no key, or
    // another program holds the key.
    bool Register(const std::string& Char, int32_t Shifts);
    void Unregister();
    bool Registered() const { return keyCode_ != 0; }

    // Runs when the key is pressed, wherever the focus is.
    void SetOnHotKey(std::function<void()> Handler) { onHotKey_ = std::move(Handler); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::function<void()> onHotKey_;
    unsigned int keyCode_ = 0;
    unsigned int modifiers_ = 0;
    bool filterInstalled_ = false;
};
