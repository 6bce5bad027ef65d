#pragma once
// Case tables kept as text under tests/data: one case a line, its fields separated by tabs. A line
// "[name]" starts the table of that name; lines starting with "#" and blank lines are skipped. A field
// may hold \t \r \n \\ \0, \xHH (in bytes: that byte; in text: U+00HH) and \u{HHHHH} (one character).

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

namespace cases {

inline QList<QStringList> table(const QString& file, const QString& name)
{
    QFile in(QStringLiteral(TESSARY_TEST_DATA_DIR "/") + file);
    if (!in.open(QIODevice::ReadOnly))
        qFatal("cannot read the case file %s", qPrintable(in.fileName()));
    QList<QStringList> rows;
    bool inTable = false;
    for (const QString& line : QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            inTable = line == QLatin1Char('[') + name + QLatin1Char(']');
        else if (inTable && !line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            rows << line.split(QLatin1Char('\t'));
    }
    if (rows.isEmpty())
        qFatal("no cases in table [%s] of %s", qPrintable(name), qPrintable(file));
    return rows;
}

// Decodes a field; bytes() keeps \xHH as the byte and gives every other character as UTF-8.
inline QByteArray decode(const QString& field, bool asBytes)
{
    static const QRegularExpression escape(QStringLiteral(R"(\\(x.{0,2}|u\{[^}]*\}|.))"));
    QByteArray out;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : escape.globalMatch(field)) {
        out += field.mid(done, match.capturedStart() - done).toUtf8();
        done = match.capturedEnd();
        const QString e = match.captured(1);
        const char32_t code = e.mid(e[0] == u'u' ? 2 : 1).remove(u'}').toInt(nullptr, 16);
        const qsizetype named = QByteArrayView("trn0").indexOf(e[0].toLatin1());
        if (e.size() == 1)
            out += named >= 0 ? QByteArrayView("\t\r\n\0", 4)[named] : e[0].toLatin1();
        else
            out += e[0] == u'x' && asBytes ? QByteArray(1, char(code)) : QString::fromUcs4(&code, 1).toUtf8();
    }
    return out + field.mid(done).toUtf8();
}
inline QByteArray bytes(const QString& field) { return decode(field, true); }
inline QString text(const QString& field) { return QString::fromUtf8(decode(field, false)); }

// A field with "{TEXT*N}" standing for TEXT N times (before decoding).
inline QString repeated(QString field)
{
    static const QRegularExpression repeat(QStringLiteral("\\{(.*?)\\*(\\d+)\\}"));
    for (QRegularExpressionMatch m; (m = repeat.match(field)).hasMatch();)
        field.replace(m.capturedStart(), m.capturedLength(), m.captured(1).repeated(m.captured(2).toInt()));
    return field;
}

// A data function's rows: the column "fields" holds a case's fields, tagged with the first of them.
inline void addRows(const QString& file, const QString& name)
{
    QTest::addColumn<QStringList>("fields");
    for (const QStringList& row : table(file, name))
        QTest::newRow(qPrintable(row.first())) << row;
}

} // namespace cases
