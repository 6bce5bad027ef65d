#pragma once
// Finding the KiXtart variable names of a script: every "$" starts a name that runs up to the next
// delimiter (blank - + = < > * / , " ; ( ) \ or a line break: CR LF, LF or CR alone) or to the end
// of the text. Strings and comments are not told apart; tabs, "&", "|", "." and brackets do not end
// a name.
// Names compare exactly (letter case matters).

#include <QString>
#include <QStringList>
#include <functional>

namespace VariableScan {

// Answers NameLength for positions that mostly increase, reusing the delimiter it found last, so a
// whole scan costs time linear in the text's length.
class NameScanner {
public:
    explicit NameScanner(const QString& text) : text_(text) {}
    // For the 1-based position p: the distance from p to the first delimiter at or after it, or the
    // length of the whole text when no delimiter follows.
    int NameLength(int p);

private:
    int delimiterFrom(int index) const; // 0-based; text length when none
    const QString& text_;
    int searchedFrom_ = -1; // no delimiter lies in [searchedFrom_, found_)
    int found_ = -1;
};

// The names longer than "$" alone, each once, in the order of their first occurrence. keepGoing,
// when given, runs between names; the scan stops and gives nothing when it returns false.
QStringList ScanVariables(const QString& text, const std::function<bool()>& keepGoing = {});

} // namespace VariableScan
