#include "CountingAllocator.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace TestAllocator {

int FailIn = 0;

namespace {

std::size_t held = 0;
std::size_t peak = 0;

void* Allocate(std::size_t size)
{
    if (FailIn > 0 && --FailIn == 0)
        throw std::bad_alloc();
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    held += ::malloc_usable_size(p);
    if (held > peak)
        peak = held;
    return p;
}

void Release(void* p) noexcept
{
    if (!p)
        return;
    held -= ::malloc_usable_size(p);
    std::free(p);
}

}  // namespace

std::size_t Held() { return held; }
std::size_t Peak() { return peak; }
void ResetPeak() { peak = held; }

}  // namespace TestAllocator

void* operator new(std::size_t size) { return TestAllocator::Allocate(size); }
void* operator new[](std::size_t size) { return TestAllocator::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return TestAllocator::Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { TestAllocator::Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { TestAllocator::Release(p); }
void operator delete(void* p) noexcept { TestAllocator::Release(p); }
void operator delete[](void* p) noexcept { TestAllocator::Release(p); }
void operator delete(void* p, std::size_t) noexcept { TestAllocator::Release(p); }
void operator delete[](void* p, std::size_t) noexcept { TestAllocator::Release(p); }
