#include "support/apartment.h"

#include <qvMsgErr/headless.h>

#include <atomic>

namespace qvMsgErr {

namespace {

std::atomic<std::shared_ptr<platform::Desktop> (*)()> g_defaultDesktopFactory{nullptr};

} // namespace

Apartment& apartment() {
    thread_local Apartment state;
    return state;
}

platform::Desktop& threadDesktop() {
    Apartment& a = apartment();
    if (!a.desktop) {
        auto factory = g_defaultDesktopFactory.load();
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
