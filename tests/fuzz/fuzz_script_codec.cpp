// The script-file codec: any bytes load and save back exactly as they were, and text saved in an
// encoding with a byte-order mark reopens as the same text in the same encoding.

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
    }
    for (ScriptFile::Encoding encoding :
         {ScriptFile::Encoding::Utf8Bom, ScriptFile::Encoding::Utf16LE, ScriptFile::Encoding::Utf16BE}) {
        ScriptFile target = file;
        target.setEncoding(encoding);
        const ScriptFile::Encoded saved = target.encode(text.constData(), text.size());
        FUZZ_CHECK(saved.encoding == encoding);
        QByteArray reopened;
        const ScriptFile again = ScriptFile::decode(saved.bom + saved.body, reopened);
        FUZZ_CHECK(again.encoding() == encoding);
        FUZZ_CHECK(reopened == text);
    }
    return 0;
}
