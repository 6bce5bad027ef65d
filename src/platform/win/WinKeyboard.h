#pragma once
// The keyboard's lock keys as the system holds them.

namespace platform::win {

bool capsLockOn();
bool numLockOn();

} // namespace platform::win
