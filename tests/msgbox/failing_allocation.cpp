// The test program's operator new, which a test can make fail once (see msgbox_fixture.h). In a
// file of its own so that no caller sees its body.
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

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
