#include "document/language/ScriptScan.h"

namespace {

bool isWordChar(char32_t c)
{
    return c == U'_' || c == U'$' || QChar::isLetterOrNumber(c);
}

QString fromCodePoints(const QList<uint>& chars, qsizetype from, qsizetype count)
{
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData() + from), count);
}

} // namespace

QString WordBeforeColumn(const QString& lineText, int column)
{
    if (column <= 0)
        return {};
    const QList<uint> chars = lineText.toUcs4();
    const qsizetype at = std::min<qsizetype>(column, chars.size());
    if (at == 0)
        return {};
    if (!isWordChar(chars[at - 1]))
        return fromCodePoints(chars, at - 1, 1);
    qsizetype start = at - 1;
    while (start > 0 && isWordChar(chars[start - 1]))
        --start;
    qsizetype end = at;
    while (end < chars.size() && isWordChar(chars[end]))
        ++end;
    return fromCodePoints(chars, start, end - start);
}

int CountTipArgument(int anchorLine, int anchorColumn, int caretLine, int caretColumn, const LineSource& lineText)
{
    int argument = 0;
    for (int line = anchorLine; line <= caretLine && argument != -1; ++line) {
        QList<uint> chars = lineText(line).toUcs4();
        if (line == caretLine && caretColumn < chars.size())
            chars.resize(std::max(caretColumn, 0));
        for (qsizetype i = std::max(anchorColumn, 0); i < chars.size() && argument != -1; ++i) {
            if (chars[i] == U',')
                ++argument;
            else if (chars[i] == U')')
                argument = -1;
        }
    }
    return argument;
}

QList<ScriptLabel> FindLabels(int lineCount, const LineSource& lineText, int limit)
{
    QList<ScriptLabel> labels;
    for (int line = 0; line <= lineCount && labels.size() < limit; ++line) {
        const QString text = lineText(line);
        if (WordBeforeColumn(text, 1) != QLatin1String(":"))
            continue;
        // A ":" followed by a blank or another sign names no label; listing it would give an
        // item without a readable caption.
        const QString name = WordBeforeColumn(text, 2);
        if (name.isEmpty() || !isWordChar(name.toUcs4().constFirst()))
            continue;
        labels.append({name, line});
    }
    return labels;
}
