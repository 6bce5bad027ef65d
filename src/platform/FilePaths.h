#pragma once
// File paths as the file system sees them: made absolute and clean where they enter the program, and
// compared with the file system's own rule for letter case (ignored on Windows, exact elsewhere).

#include <QString>

namespace FilePaths {

// Whether two names that differ only in letter case name the same file on this system.
Qt::CaseSensitivity caseSensitivity();

// The absolute, clean form of a path (".", ".." and doubled separators resolved; links are kept, so a
// link opens as itself). Relative paths are taken from the process's current folder at the call.
// An empty path stays empty.
QString absoluteClean(const QString& path);

// True when the two paths name the same file by the rules above (both made absolute and clean first).
bool samePath(const QString& a, const QString& b);

} // namespace FilePaths
