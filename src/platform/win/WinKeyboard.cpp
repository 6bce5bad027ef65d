#include "platform/win/WinKeyboard.h"

#include <windows.h>

namespace platform::win {

// The low bit of a key's state is its toggle.
bool capsLockOn() { return GetKeyState(VK_CAPITAL) & 1; }
bool numLockOn() { return GetKeyState(VK_NUMLOCK) & 1; }

} // namespace platform::win
