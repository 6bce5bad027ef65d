#pragma once
// How a script file's bytes become the editor's text and back. The editor holds UTF-8; this class
// remembers the file's encoding, byte-order mark and dominant line break so that a save writes every
// byte the user did not edit exactly as it was read. Pure logic and file access, no widgets.

#include "document/files/FileError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

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
    // What decode takes the bytes for. UTF-16 needs its mark and text that looks like a script;
    // bytes without a mark are UTF-8 only when every character they form is one people write,
    // otherwise they are Windows-1252 (pairs such as "ß“" form valid but improbable UTF-8).
    static Encoding detect(QByteArrayView bytes);

    struct Encoded {
        QByteArray bom;     // byte-order mark to write first; empty for none
        QByteArray body;    // may refer to the caller's buffer: use before that buffer changes
        Encoding encoding;  // the encoding used
        bool lossless;      // false: a character has no byte in Windows-1252 and became "?"
    };
    // Turns the editor's UTF-8 text into file bytes in this file's encoding.
    Encoded encode(const char* utf8, qsizetype length) const;
    // True when the encoded bytes reopen as the text they were made from.
    static bool readsBack(const Encoded& encoded);

    // Saving text in this encoding would lose characters or reopen as other text: the question for
    // the user and the encoding that keeps the text. Empty text: the text saves as it is.
    struct SaveQuestion {
        QString text;
        Encoding keepsText = Encoding::Utf8;
    };
    SaveQuestion saveQuestion(const char* utf8, qsizetype length) const;
    // text with every character this encoding cannot hold replaced by "?".
    QString fitted(const QString& text) const;
    static QString encodingName(Encoding encoding);

    Encoding encoding() const { return encoding_; }
    void setEncoding(Encoding encoding) { encoding_ = encoding; }
    LineBreak lineBreak() const { return lineBreak_; }
    void setLineBreak(LineBreak lineBreak) { lineBreak_ = lineBreak; }
    static const char* lineBreakText(LineBreak lineBreak);

    // Whole-file access. read refuses folders and special files; write (ScriptFileWriter.cpp) keeps
    // the old content intact on any failure and keeps the file's owner, mode, links and attributes.
    static FileError read(const QString& path, QByteArray& bytes);
    static FileError write(const QString& path, QByteArrayView prefix, QByteArrayView body);
    // A process file-size limit must fail a write (EFBIG) rather than end the program with SIGXFSZ.
    // Done once when the library starts and again before every write.
    static void ignoreFileSizeSignal();
    // Reads a file as decode does, without holding a copy of all of it: a first pass over the file
    // decides the encoding, a second hands the text to `append` as UTF-8 block by block. `begin` is
    // called once, before the first block, with the text's length in bytes, when the file has been
    // found readable; an error before it means nothing was handed over. The line break is the
    // caller's to set from the text it built (setLineBreakFrom). A file whose text would be longer
    // than maxText bytes is refused as one over the size limit is. Blocks are blockBytes long (tests
    // make them short).
    static FileError stream(const QString& path, ScriptFile& format, const std::function<void(qint64)>& begin,
                            const std::function<void(QByteArrayView)>& append, qint64 maxText = MaxFileSize,
                            qint64 blockBytes = 256 * 1024);
    void setLineBreakFrom(const QByteArray& utf8);

    // Largest file that is read, and largest text it may become as UTF-8 (the editor addresses text
    // with 32-bit positions).
    static constexpr qint64 MaxFileSize = qint64(1) << 30;

private:
    Encoding encoding_ = Encoding::Ansi;
    LineBreak lineBreak_ = LineBreak::CrLf;
};
