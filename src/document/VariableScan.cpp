#include "document/VariableScan.h"

#include <QSet>

namespace VariableScan {

namespace {

bool isSingleDelimiter(QChar c)
{
    switch (c.unicode()) {
    case ' ': case '-': case '+': case '=': case '<': case '>': case '*': case '/':
    case ',': case '"': case ';': case '(': case ')': case '\\':
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
        if (isSingleDelimiter(data[i]))
            return i;
        if (data[i] == QLatin1Char('\r') && i + 1 < size && data[i + 1] == QLatin1Char('\n'))
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
