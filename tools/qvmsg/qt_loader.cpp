// Loading qvmsg's Qt side: only a run that may show a real window pays for Qt.
#include "cli.h"

#include <dlfcn.h>

#include <filesystem>

namespace qvmsg {

const WindowSide* loadWindowSide(std::string& why) {
    std::error_code ec;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    // Beside the program in the build tree; where the package installs it otherwise.
    for (const auto& place :
         {program / "qvmsg-qt.so", program / QVMSG_MODULE_DIR / "qvmsg-qt.so"}) {
        if (void* module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            using Side = const WindowSide* (*)();
            if (const auto side = reinterpret_cast<Side>(dlsym(module, kWindowSideSymbol))) {
                return side();
            }
        }
    }
    const char* error = dlerror();
    why =
        "qvmsg's Qt module could not be loaded (" + std::string(error ? error : "not found") + ")";
    return nullptr;
}

} // namespace qvmsg
