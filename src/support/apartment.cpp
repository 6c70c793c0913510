#include "support/apartment.h"

#include <qvMsgErr/headless.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace qvMsgErr {

namespace {

std::atomic<std::shared_ptr<platform::Desktop> (*)()> g_defaultDesktopFactory{nullptr};

} // namespace

Apartment& apartment() {
    thread_local Apartment state;
    return state;
}

bool headlessDesktopRequested() {
    const char* value = std::getenv("QVMSGERR_DESKTOP");
    constexpr std::string_view headless = "headless";
    const std::string_view given = value ? value : "";
    return std::ranges::equal(given, headless, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

platform::Desktop& threadDesktop() {
    Apartment& a = apartment();
    if (!a.desktop) {
        const auto factory = headlessDesktopRequested() ? nullptr : g_defaultDesktopFactory.load();
        a.desktop = factory ? factory() : nullptr;
        if (!a.desktop) {
            a.desktop = std::make_shared<headless::HeadlessDesktop>();
        }
    }
    return *a.desktop;
}

void setThreadDesktop(std::shared_ptr<platform::Desktop> desktop) {
    apartment().desktop = std::move(desktop);
}

void setDefaultDesktopFactory(std::shared_ptr<platform::Desktop> (*factory)()) {
    g_defaultDesktopFactory.store(factory);
}

platform::Registry& threadRegistry() {
    Apartment& a = apartment();
    if (!a.registry) {
        a.registry = platform::makeDefaultRegistry();
    }
    return *a.registry;
}

void setThreadRegistry(std::shared_ptr<platform::Registry> registry) {
    apartment().registry = std::move(registry);
}

} // namespace qvMsgErr
