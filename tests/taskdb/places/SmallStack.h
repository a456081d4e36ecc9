#pragma once
// Runs a function on a thread with a small stack, so that a walk that recurses once per level
// of a deep structure fails loudly instead of passing on the main thread's large stack.
#include <functional>
#include <pthread.h>
#include <stdexcept>

inline void RunWithSmallStack(const std::function<void()>& fn, size_t stackBytes = 256 * 1024)
{
    struct TCall {
        const std::function<void()>* Fn;
    } call{&fn};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stackBytes);
    pthread_t thread;
    const int rc = pthread_create(
        &thread, &attr,
        [](void* p) -> void* {
            (*static_cast<TCall*>(p)->Fn)();
            return nullptr;
        },
        &call);
    pthread_attr_destroy(&attr);
    if (rc != 0)
        throw std::runtime_error("cannot start thread");
    pthread_join(thread, nullptr);
}
