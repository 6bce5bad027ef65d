#include "wizards/InsertCode.h"

#include "preferences/AnsiCodec.h"

#include <QStringList>

namespace InsertCode {

QString BuildChrCodes(const QString& text)
{
    QStringList pieces;
    for (char32_t code : text.toUcs4()) {
        // The interpreter's Chr() numbers are Windows-1252 bytes on every system.
        const std::string ansi = AnsiCodec::encode1252(QString::fromUcs4(&code, 1));
        pieces << QStringLiteral("Chr(%1)").arg(ansi.empty() ? 63 : int(static_cast<unsigned char>(ansi[0])));
    }
    return pieces.join(QStringLiteral(" + "));
}

const QList<ColorChoice>& Colors()
{
    static const QList<ColorChoice> colors{
        {QStringLiteral("Normal (black)"), QColor(0, 0, 0)},   {QStringLiteral("Blue"), QColor(0, 0, 255)},
        {QStringLiteral("Green"), QColor(0, 255, 0)},          {QStringLiteral("Cyan"), QColor(0, 255, 255)},
        {QStringLiteral("Red"), QColor(255, 0, 0)},            {QStringLiteral("Magenta"), QColor(255, 0, 255)},
        {QStringLiteral("Yellow/brown"), QColor(255, 255, 0)}, {QStringLiteral("White"), QColor(255, 255, 255)},
    };
    return colors;
}

QColor PreviewColor(const QString& name)
{
    for (const ColorChoice& choice : Colors())
        if (choice.name.compare(name, Qt::CaseInsensitive) == 0)
            return choice.preview;
    return QColor();
}

QString BuildColorCode(const QString& foreground, bool intensify, const QString& background, bool blink)
{
    return QStringLiteral("Color ") + foreground.left(1).toLower() + (intensify ? QStringLiteral("+") : QString()) +
           QLatin1Char('/') + background.left(1).toLower() + (blink ? QStringLiteral("+") : QString());
}

static QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString BuildIniCode(const QString& file, const QString& section, const QString& key, const QString& value)
{
    const QString common = quoted(file) + QLatin1Char(',') + quoted(section) + QLatin1Char(',') + quoted(key);
    if (value.isEmpty())
        return QStringLiteral("ReadProfileString(") + common + QLatin1Char(')');
    return QStringLiteral("WriteProfileString(") + common + QLatin1Char(',') + quoted(value) + QLatin1Char(')');
}

QString EnvironmentLine(const QString& entry)
{
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return QString();
    const QString name = entry.left(eq);
    if (name.contains(QLatin1Char('(')))
        return QString();
    return name + QStringLiteral(" (") + entry.mid(eq + 1) + QLatin1Char(')');
}

QString EnvironmentReference(const QString& line)
{
    const qsizetype paren = line.indexOf(QLatin1Char('('));
    if (paren < 1)
        return QString();
    return QLatin1Char('%') + line.left(paren - 1) + QLatin1Char('%');
}

} // namespace InsertCode
