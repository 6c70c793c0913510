// How the core reaches a window system it does not link: loading the Qt desktop library (by the
// program's linker, or by the core on demand) registers its starter with the core.
#pragma once

#include <qvMsgErr/platform.h>

#include <memory>
#include <string>

namespace qvMsgErr::platform {

/// Gives the calling thread a desktop with real windows in `out`, starting the toolkit's
/// application object where that is safe (the main thread of a program without one, with a
/// display it can open). False, with the reason in `why`, where no window can be shown.
using StartDesktop = bool (*)(std::shared_ptr<Desktop>* out, std::string* why);

/// Registers the window system's starter (the Qt desktop library does so when it is loaded).
void setWindowSystemStarter(StartDesktop start);
/// The registered starter, or nullptr.
StartDesktop windowSystemStarter();

} // namespace qvMsgErr::platform
