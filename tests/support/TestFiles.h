#pragma once
// Whole-file reads and writes for tests that compare a file's bytes.

#include <QByteArray>
#include <QFile>
#include <QTest>

// Inline so that a failed check reports from the calling test.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
