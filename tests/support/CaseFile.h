#pragma once
// Case tables kept as text under tests/data: one case a line, its fields separated by tabs. A line
// "[name]" starts the table of that name; lines starting with "#" and blank lines are skipped. A field
// may hold \t \r \n \\ \0, \xHH (in bytes: that byte; in text: U+00HH) and \u{HHHHH} (one character).

#include <QFile>
#include <QStringList>
#include <QTest>

#include <utility>

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
    QByteArray out;
    QString plain; // the characters since the last escape
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != QLatin1Char('\\') || i + 1 == field.size()) {
            plain += field[i];
            continue;
        }
        out += std::exchange(plain, QString()).toUtf8();
        const char e = field[++i].toLatin1();
        if (e == 'x') {
            const int byte = field.mid(i + 1, 2).toInt(nullptr, 16);
            out += asBytes ? QByteArray(1, char(byte)) : QString(QChar(byte)).toUtf8();
            i += 2;
        } else if (e == 'u') {
            const qsizetype close = field.indexOf(QLatin1Char('}'), i);
            const char32_t code = field.mid(i + 2, close - i - 2).toUInt(nullptr, 16);
            out += QString::fromUcs4(&code, 1).toUtf8();
            i = close;
        } else {
            out += e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e == '0' ? '\0' : e;
        }
    }
    return out + plain.toUtf8();
}
inline QByteArray bytes(const QString& field) { return decode(field, true); }
inline QString text(const QString& field) { return QString::fromUtf8(decode(field, false)); }

// A data function's rows: the column "fields" holds a case's fields, tagged with the first of them.
inline void addRows(const QString& file, const QString& name)
{
    QTest::addColumn<QStringList>("fields");
    for (const QStringList& row : table(file, name))
        QTest::newRow(qPrintable(row.first())) << row;
}

} // namespace cases
