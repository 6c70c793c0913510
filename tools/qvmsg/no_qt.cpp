// The Windows build of qvmsg has no Qt side: a run that needs a real window says so and ends
// with the status for "no display"; the headless desktop serves --answer, --json and memory.
#include "cli.h"

namespace qvmsg {

const QtSide* loadQtSide(std::string& why) {
    why = "this build of qvmsg has no window desktop (the Windows build runs on the headless "
          "desktop only: script the user with --answer, or set QVMSGERR_DESKTOP=headless)";
    return nullptr;
}

} // namespace qvmsg
