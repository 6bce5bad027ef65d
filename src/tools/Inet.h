#pragma once
// Opening web addresses in the user's browser.

#include <QString>

namespace Inet {

// Opens the address with the verb "open" in a normal window.
void OpenURL(const QString& address);
void ShellOpen(const QString& verb, const QString& file, const QString& parameters, const QString& directory,
               int showMode);

} // namespace Inet
