#pragma once
// One recovery file: a header of text fields, then the editor's text exactly as it was.

#include "document/files/DiskState.h"
#include "document/files/ScriptFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>

struct RecoveryRecord {
    qint64 pid = 0;
    QString path;  // the document's file; empty for a document never saved
    QString title; // what the user saw: the path or "Untitled n"
    ScriptFile::Encoding encoding = ScriptFile::Encoding::Ansi;
    ScriptFile::LineBreak lineBreak = ScriptFile::LineBreak::CrLf;
    QDateTime changed; // time of the last change
    // The file as the editor last read or wrote it, and a hash of its bytes then (empty: not known).
    // base.known == false: nothing known of it.
    DiskState base;
    QByteArray baseHash;
    QByteArray text; // the editor's UTF-8 text, exactly

    // Longest text a record may hold: more than the editor can.
    static constexpr qint64 MaxTextLength = qint64(1) << 31;
    // A header is never longer (paths are percent-encoded, so this leaves room for the longest).
    static constexpr qint64 MaxHeaderLength = 64 * 1024;

    // Everything before a text of textLength bytes.
    QByteArray header(qint64 textLength) const;
    QByteArray header() const { return header(text.size()); }

    // The fields of a header at the start of bytes (the text stays empty); textStart and length
    // tell where the text lies and how long it must be.
    struct Head;
    static std::optional<Head> parseHeader(QByteArrayView bytes);
    // A whole record; a torn or lengthened one is refused.
    static std::optional<RecoveryRecord> parse(const QByteArray& bytes);

    // Whether the file at path is still the one the text was based on: the same size, time and
    // number, or else the same bytes.
    bool baseUnchanged(const DiskState& now) const;
};

struct RecoveryRecord::Head {
    RecoveryRecord record;
    qint64 textStart = 0;
    qint64 length = 0;
};

// SHA-256 of the regular file at path, read without blocking; empty when it cannot be read or, with
// expected known, no longer looks like expected.
QByteArray fileHash(const QString& path, const DiskState& expected = {});
