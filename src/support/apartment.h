// Per-thread ("apartment") state: registry root, shared error object, desktop, store connection,
// and the list of the library's windows loaded on this thread.
#pragma once

#include <qvMsgErr/apartment.h>

#include "platform/registry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qvMsgErr {

/// What the shared error object offers to the library's own error handlers: `clsError::Show`.
class ErrorPresenter {
public:
    virtual ~ErrorPresenter() = default;
    virtual int16_t Show(bool Modal, std::string Description, int32_t Number, std::string Details,
                         std::string Solution, std::string Activity) = 0;
};

class LibraryForm;

// Members are destroyed bottom up: the forms go before the desktop that made their windows.
struct Apartment {
    std::string regRoot;
    std::shared_ptr<platform::Desktop> desktop;
    std::shared_ptr<platform::Registry> registry;
    std::shared_ptr<ErrorPresenter> sharedError;
    /// The library's forms loaded on this thread, oldest first ("Close all" unloads them).
    std::vector<LibraryForm*> loadedForms;
    /// Forms shown modelessly, kept alive until their windows are unloaded.
    std::vector<std::shared_ptr<LibraryForm>> keptForms;
};

/// The calling thread's state.
Apartment& apartment();

using DesktopFactory = std::shared_ptr<platform::Desktop> (*)();
/// The factory set with setDefaultDesktopFactory, or nullptr.
DesktopFactory defaultDesktopFactory();

/// The calling thread's store: $QVMSGERR_REGISTRY, else $XDG_CONFIG_HOME/qvMsgErr/registry.db,
/// else ~/.config/qvMsgErr/registry.db, opened on first use.
platform::Registry& threadRegistry();
void setThreadRegistry(std::shared_ptr<platform::Registry> registry);

} // namespace qvMsgErr
