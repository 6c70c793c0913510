#include "support/apartment.h"

#include "support/auto_desktop.h"

#include <qvMsgErr/headless.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace qvMsgErr {

namespace {

std::atomic<DesktopFactory> g_defaultDesktopFactory{nullptr};

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
        if (headlessDesktopRequested()) {
            // Unattended by the host's choice: answers come from the unattended rules, and a
            // process that runs for days keeps no record of them.
            auto unattended = std::make_shared<headless::HeadlessDesktop>();
            unattended->keepRecord(false);
            a.desktop = std::move(unattended);
        } else {
            a.desktop = std::make_shared<AutoDesktop>();
        }
    }
    return *a.desktop;
}

DesktopFactory defaultDesktopFactory() {
    return g_defaultDesktopFactory.load();
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
