// The KiXtart lexer: every byte of any text gets a style the lexer defines, and a line's styles do
// not depend on the lines after it (each line styled alone matches the whole text styled at once).

#include "FuzzCheck.h"

#include "document/language/KixLexer.h"
#include "document/language/modKixLanguage.h"

#include <QApplication>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

KixLexer& lexer()
{
    static int argc = 1;
    static char name[] = "fuzz_kix_lexer";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    (void)app;
    static KixLexer* instance = new KixLexer(KixLanguageName, RegisterKixLanguage());
    return *instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KixLexer& kix = lexer();
    const char* text = reinterpret_cast<const char*>(data);
    constexpr unsigned char unset = 0xFF;
    std::vector<unsigned char> whole(size, unset);
    kix.styleBytes(text, size, whole.data());
    for (unsigned char style : whole)
        FUZZ_CHECK(style != unset && !kix.description(style).isEmpty());

    for (size_t lineStart = 0, lineEnd; lineStart < size; lineStart = lineEnd) {
        lineEnd = size_t(std::find(text + lineStart, text + size, '\n') - text);
        lineEnd += lineEnd < size; // the line feed belongs to its line
        std::vector<unsigned char> alone(lineEnd - lineStart, unset);
        kix.styleBytes(text + lineStart, alone.size(), alone.data());
        FUZZ_CHECK(std::equal(alone.begin(), alone.end(), whole.begin() + std::ptrdiff_t(lineStart)));
    }
    return 0;
}
