#include "document/editor/ScopeIndenter.h"

#include <Qsci/qsciscintilla.h>

#include <algorithm>

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

} // namespace

ScopeIndenter::ScopeIndenter(QsciScintilla& editor)
    : editor_(editor),
      opening_{QStringLiteral("Do"), QStringLiteral("For"), QStringLiteral("If"), QStringLiteral("Select"),
               QStringLiteral("While")},
      closing_{QStringLiteral("Until"), QStringLiteral("Next"), QStringLiteral("EndIf"),
               QStringLiteral("EndSelect"), QStringLiteral("Loop")}
{
}

void ScopeIndenter::setScopeWords(const QStringList& opening, const QStringList& closing)
{
    if (opening.size() == closing.size() && !opening.isEmpty()) {
        opening_ = opening;
        closing_ = closing;
    }
}

QString ScopeIndenter::lineText(int line) const
{
    QString text = editor_.text(line);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

QString ScopeIndenter::firstWord(const QString& text) const
{
    int start = 0;
    while (start < text.size() && (text.at(start) == QLatin1Char(' ') || text.at(start) == QLatin1Char('\t')))
        ++start;
    int end = start;
    while (end < text.size() && isWordChar(text.at(end)))
        ++end;
    return text.mid(start, end - start);
}

int ScopeIndenter::indentation(int line) const
{
    return int(editor_.SendScintilla(QsciScintillaBase::SCI_GETLINEINDENTATION, line));
}

int ScopeIndenter::indentWidth() const
{
    const int width = editor_.indentationWidth();
    return width > 0 ? width : editor_.tabWidth();
}

// A line opens a scope when its first word opens one and the line does not close it again
// ("If $x EndIf" on one line).
bool ScopeIndenter::opensScope(const QString& text) const
{
    const QString word = firstWord(text);
    for (int i = 0; i < opening_.size(); ++i) {
        if (word.compare(opening_.at(i), Qt::CaseInsensitive) != 0)
            continue;
        const QString& closer = closing_.at(i);
        int from = 0;
        while ((from = int(text.indexOf(closer, from, Qt::CaseInsensitive))) >= 0) {
            const int after = from + int(closer.size());
            const bool startsWord = from == 0 || !isWordChar(text.at(from - 1));
            const bool endsWord = after >= text.size() || !isWordChar(text.at(after));
            if (startsWord && endsWord)
                return false;
            from = after;
        }
        return true;
    }
    return false;
}

void ScopeIndenter::characterAdded(int ch, char lineBreakEnd)
{
    if (mode_ != 1 && mode_ != 2)
        return;
    const long caret = editor_.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    const int line = int(editor_.SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, caret));
    if (ch == lineBreakEnd) {
        if (line > 0)
            indentNewLine(line);
        return;
    }
    if (mode_ != 1 || ch > 0x7F || isWordChar(QChar(ch)))
        return;
    // A character that ends the first word of the line: a closing word goes back a level.
    const long lineStart = editor_.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line);
    const long end = caret - 1; // the added character is one byte
    if (end <= lineStart)
        return;
    QByteArray bytes(int(end - lineStart) + 1, '\0');
    editor_.SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, lineStart, end, bytes.data());
    const QString before = QString::fromUtf8(bytes.constData(), end - lineStart);
    if (before.trimmed() == firstWord(before) && closing_.contains(firstWord(before), Qt::CaseInsensitive))
        alignClosingLine(line);
}

void ScopeIndenter::indentNewLine(int line)
{
    const int previous = line - 1;
    if (mode_ == 1 && closing_.contains(firstWord(lineText(previous)), Qt::CaseInsensitive))
        alignClosingLine(previous);
    int indent = indentation(previous);
    if (mode_ == 1 && opensScope(lineText(previous)))
        indent += indentWidth();
    editor_.SendScintilla(QsciScintillaBase::SCI_SETLINEINDENTATION, line, long(indent));
    const long indentPos = editor_.SendScintilla(QsciScintillaBase::SCI_GETLINEINDENTPOSITION, line);
    if (editor_.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS) < indentPos)
        editor_.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, indentPos);
}

// Puts a line that starts with a closing word at the level of the scope it closes: the level of
// the nearest non-blank line above, one less unless that line opens the scope. Only ever moves
// the line left, so running it twice changes nothing.
void ScopeIndenter::alignClosingLine(int line)
{
    int above = line - 1;
    while (above >= 0 && lineText(above).trimmed().isEmpty())
        --above;
    int target = 0;
    if (above >= 0) {
        target = indentation(above);
        if (!opensScope(lineText(above)))
            target -= indentWidth();
    }
    target = std::max(target, 0);
    if (target < indentation(line))
        editor_.SendScintilla(QsciScintillaBase::SCI_SETLINEINDENTATION, line, long(target));
}
