// The script-file codec: any bytes load and save back exactly as they were; text saved in any
// encoding reopens as the same text whenever the codec says it will, and always with a UTF-8 mark.

#include "FuzzCheck.h"

#include "document/ScriptFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray text;
    const ScriptFile file = ScriptFile::decode(bytes, text);
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
