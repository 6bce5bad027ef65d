#pragma once
// How a script file's bytes become the editor's text and back. The editor holds UTF-8; this class
// remembers the file's encoding, byte-order mark and dominant line break so that a save writes every
// byte the user did not edit exactly as it was read. Pure logic and file access, no widgets.

#include "document/FileError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class ScriptFile {
public:
    enum class Encoding { Ansi, Utf8, Utf8Bom, Utf16LE, Utf16BE };
    enum class LineBreak { CrLf, Lf, Cr };

    // A new document: ANSI (Windows-1252) with CRLF line breaks.
    ScriptFile() = default;

    // Detects the encoding of raw file bytes and gives the text as UTF-8 in utf8. Bytes that are not
    // a valid instance of the detected Unicode form are read as Windows-1252, which maps every byte,
    // so that any file survives a load and save unchanged.
    static ScriptFile decode(const QByteArray& bytes, QByteArray& utf8);

    struct Encoded {
        QByteArray bom;     // byte-order mark to write first; empty for none
        QByteArray body;    // may refer to the caller's buffer: use before that buffer changes
        Encoding encoding;  // the encoding actually used
    };
    // Turns the editor's UTF-8 text into file bytes. Text that no longer fits an ANSI file (a
    // character outside Windows-1252 was typed) is written as UTF-8 without a mark instead of
    // losing characters; the result says so.
    Encoded encode(const char* utf8, qsizetype length) const;

    Encoding encoding() const { return encoding_; }
    void setEncoding(Encoding encoding) { encoding_ = encoding; }
    LineBreak lineBreak() const { return lineBreak_; }
    static const char* lineBreakText(LineBreak lineBreak);

    // Whole-file access. read refuses folders and special files; writeAtomically writes a temporary
    // file beside the target, syncs it and renames it over the target, so the old file stays intact
    // on any failure.
    static FileError read(const QString& path, QByteArray& bytes);
    static FileError writeAtomically(const QString& path, const QByteArray& prefix, QByteArrayView body);

    // Largest file that is read (the editor addresses text with 32-bit positions).
    static constexpr qint64 MaxFileSize = qint64(1) << 30;

private:
    Encoding encoding_ = Encoding::Ansi;
    LineBreak lineBreak_ = LineBreak::CrLf;
};
