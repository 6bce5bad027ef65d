#include "wizards/MessageBoxCode.h"

#include <QLocale>
#include <QStringList>
#include <cmath>
#include <limits>

namespace MessageBoxCode {

QString RewriteQuotes(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('"'), QStringLiteral("\" + Chr(34) + \""));
    return out;
}

QString BuildResult(const QString& text, const QString& title, int style, std::optional<int> timeout)
{
    QString call = QStringLiteral("Messagebox(\"") + text + QStringLiteral("\",\"") + RewriteQuotes(title) +
                   QStringLiteral("\",") + QString::number(style) + QLatin1Char(')');
    call.replace(QLatin1Char('\r'), QStringLiteral("\" + Chr(13) + Chr(10) + \""));
    call.remove(QLatin1Char('\n'));
    if (timeout) {
        call.chop(1);
        call += QLatin1Char(',') + QString::number(*timeout) + QLatin1Char(')');
    }
    return call;
}

QString ReturnValueLines(const QString& caption)
{
    struct Word {
        const char* word;
        const char* line;
        Qt::CaseSensitivity cs;
    };
    // "No" alone is matched with its case, so that "Ignore" does not count as a No button.
    static const Word words[] = {
        {"OK", "OK Button Returns     1", Qt::CaseInsensitive},
        {"Abort", "Abort Button Returns  3", Qt::CaseInsensitive},
        {"Retry", "Retry Button Returns  4", Qt::CaseInsensitive},
        {"Ignore", "Ignore Button Returns 5", Qt::CaseInsensitive},
        {"Yes", "Yes Button Returns    6", Qt::CaseInsensitive},
        {"No", "No Button Returns     7", Qt::CaseSensitive},
        {"Cancel", "Cancel Button Returns 2", Qt::CaseInsensitive},
    };
    QString lines;
    for (const Word& w : words) {
        if (!caption.contains(QLatin1String(w.word), w.cs))
            continue;
        if (qstrcmp(w.word, "OK") == 0)
            lines = QLatin1String(w.line);
        else
            lines += QStringLiteral("\r\n") + QLatin1String(w.line);
    }
    return lines;
}

DefaultButtons DefaultButtonsFor(int buttonsIndex)
{
    switch (buttonsIndex) {
    case 0: return {true, false, false};
    case 2:
    case 3: return {false, true, true};
    default: return {true, true, false};
    }
}

std::optional<int> ParseTimeout(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding mode: half to even
    if (rounded < double(std::numeric_limits<int>::min()) || rounded > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(rounded);
}

} // namespace MessageBoxCode
