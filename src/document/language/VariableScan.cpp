#include "document/language/VariableScan.h"

#include <QSet>

namespace VariableScan {

namespace {

bool isDelimiter(QChar c)
{
    switch (c.unicode()) {
    case ' ': case '-': case '+': case '=': case '<': case '>': case '*': case '/':
    case ',': case '"': case ';': case '(': case ')': case '\\':
    // A line ends a name whatever its line break: CR LF, a lone LF or a lone CR.
    case '\r': case '\n':
        return true;
    default:
        return false;
    }
}

} // namespace

int NameScanner::delimiterFrom(int index) const
{
    const QChar* data = text_.constData();
    const int size = int(text_.size());
    for (int i = index; i < size; ++i) {
        if (isDelimiter(data[i]))
            return i;
    }
    return size;
}

int NameScanner::NameLength(int p)
{
    const int index = p - 1;
    // Inside the stretch searched last, the delimiter found then is still the first one.
    if (index < searchedFrom_ || index > found_) {
        searchedFrom_ = index;
        found_ = delimiterFrom(index);
    }
    return found_ < int(text_.size()) ? found_ - index : int(text_.size());
}

QStringList ScanVariables(const QString& text, const std::function<bool()>& keepGoing)
{
    QStringList names;
    // Views into the text: a name seen before costs no copy.
    QSet<QStringView> seen;
    const QStringView view(text);
    NameScanner scanner(text);
    qsizetype start = 0;
    for (;;) {
        if (keepGoing && !keepGoing())
            return QStringList();
        const qsizetype p = text.indexOf(QLatin1Char('$'), start);
        if (p < 0)
            break;
        const QStringView name = view.mid(p, scanner.NameLength(int(p) + 1));
        if (name.size() > 1 && !seen.contains(name)) {
            seen.insert(name);
            names << name.toString();
        }
        start = p + 1;
    }
    return names;
}

} // namespace VariableScan
