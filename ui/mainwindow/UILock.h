#pragma once
#include <cstdint>

// Raises the window's UI lock for the lifetime of the guard.
class TUILock {
public:
    explicit TUILock(int32_t& counter) : counter_(counter) { ++counter_; }
    ~TUILock() { --counter_; }
    TUILock(const TUILock&) = delete;
    TUILock& operator=(const TUILock&) = delete;

private:
    int32_t& counter_;
};
