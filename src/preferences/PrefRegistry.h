#pragma once
// The shared RegistryHandler for the preferences key, created by the main window at start-up and
// kept for the life of the program.

#include "preferences/RegistryHandler.h"

inline constexpr char kPreferencesKey[] = "Software\\Orland Works\\Tessary Editor\\Preferences";
inline constexpr char kRecentFilesKey[] = "Software\\Orland Works\\Tessary Editor\\Preferences\\MRU";

// The shared handler; nullptr until CreatePrefRegistry has run.
RegistryHandler* PrefRegistry();
// Creates (or replaces) the shared handler on the default store: HKEY_CURRENT_USER, kPreferencesKey.
RegistryHandler& CreatePrefRegistry();
// Same, on a store of the caller's choice.
RegistryHandler& CreatePrefRegistry(std::shared_ptr<platform::RegistryStore> store);
