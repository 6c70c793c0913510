// Recording the two classes and the type library in the registry, and removing them again.
#pragma once

#include <windows.h>

namespace qvMsgErr::automation {

/// Where the server is registered: the current user's classes (no administrator needed) or the
/// machine's.
enum class Scope { User, Machine };

/// Records both classes (names, class ids, this DLL, apartment threading, version) and the type
/// library. Registering again writes the same values.
HRESULT registerServer(Scope scope);
/// Removes what registerServer records and nothing else; nothing registered is no error.
HRESULT unregisterServer(Scope scope);

} // namespace qvMsgErr::automation
