// The script-file codec: any bytes load and save back exactly as they were; text saved in any
// encoding reopens as the same text whenever the codec says it will, and always with a UTF-8 mark.
// Read from a file in blocks as the editor opens files (blocks of a few bytes, so that characters
// and the evidence against UTF-8 fall across their boundaries), the bytes give the same text and
// encoding as decoded whole, and a text longer than the limit is refused.

#include "FuzzCheck.h"

#include "document/files/ScriptFile.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

void checkStream(const QByteArray& bytes, const QByteArray& text, const ScriptFile& file)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.kix"));
    {
        QFile out(path);
        FUZZ_CHECK(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    }
    const qint64 block = bytes.isEmpty() ? 1 : 1 + (uchar(bytes.back()) & 7);
    QByteArray streamed;
    qint64 announced = -1;
    ScriptFile format;
    const FileError error = ScriptFile::stream(
        path, format, [&](qint64 length) { announced = length; }, [&](QByteArrayView b) { streamed.append(b); },
        ScriptFile::MaxFileSize, block);
    FUZZ_CHECK(error.ok());
    FUZZ_CHECK(streamed == text && announced == text.size() && format.encoding() == file.encoding());
    if (!text.isEmpty()) {
        ScriptFile refused;
        const FileError tooLong = ScriptFile::stream(path, refused, [](qint64) {}, [](QByteArrayView) {}, text.size() - 1, block);
        FUZZ_CHECK(!tooLong.ok() && tooLong.message.contains(QLatin1String("too large")));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray text;
    const ScriptFile file = ScriptFile::decode(bytes, text);
    checkStream(bytes, text, file);
    {
        const ScriptFile::Encoded saved = file.encode(text.constData(), text.size());
        FUZZ_CHECK(saved.encoding == file.encoding());
        FUZZ_CHECK(saved.bom + saved.body == bytes);
        FUZZ_CHECK(ScriptFile::readsBack(saved));
    }
    using Encoding = ScriptFile::Encoding;
    for (Encoding encoding :
         {Encoding::Ansi, Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE}) {
        ScriptFile target = file;
        target.setEncoding(encoding);
        const ScriptFile::Encoded saved = target.encode(text.constData(), text.size());
        FUZZ_CHECK(saved.encoding == encoding);
        if (!ScriptFile::readsBack(saved)) {
            FUZZ_CHECK(encoding != Encoding::Utf8Bom);
            continue;
        }
        QByteArray reopened;
        const ScriptFile again = ScriptFile::decode(saved.bom + saved.body, reopened);
        // ASCII saved as UTF-8 reads as ANSI: the same text.
        FUZZ_CHECK(again.encoding() == encoding || (encoding == Encoding::Utf8 && again.encoding() == Encoding::Ansi));
        FUZZ_CHECK(reopened == text);
    }
    return 0;
}
