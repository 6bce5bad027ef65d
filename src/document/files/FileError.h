#pragma once
// Outcome of loading or saving a script file.

#include <QString>

// PathInaccessible: the drive or folder cannot be reached (missing, not a folder, no media);
// Other: anything else, with the system's reason in message.
struct FileError {
    enum Kind { None, PathInaccessible, Other };
    Kind kind = None;
    QString message;
    bool ok() const { return kind == None; }
};
