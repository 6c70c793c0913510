// The test program's operator new, which a test can make fail once (see msgbox_fixture.h). In a
// file of its own so that no caller sees its body. Every form of new and delete is replaced, so
// that under AddressSanitizer each allocation is a malloc its delete frees.
#include "msgbox_fixture.h"

#include <cstdlib>
#include <new>

namespace msgboxtest {
std::atomic<std::size_t> failNextAllocationFrom{0};
} // namespace msgboxtest

void* operator new(std::size_t size) {
    std::size_t from = msgboxtest::failNextAllocationFrom.load();
    if (from != 0 && size >= from &&
        msgboxtest::failNextAllocationFrom.compare_exchange_strong(from, 0)) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size != 0 ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
