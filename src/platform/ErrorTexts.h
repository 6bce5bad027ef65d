#pragma once
// The system's message texts for error numbers. Plain C++ so that the Windows backend builds without
// Qt. Texts are in the system's narrow (ANSI) code page, with the message's own line breaks dropped.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class ErrorTextSource {
public:
    virtual ~ErrorTextSource() = default;
    // The message for the number taken as a 32-bit message id; empty when the system has none.
    virtual std::string message(int32_t code) const = 0;
};

// Off Windows there is no system message table: the texts come from a table shipped with the
// editor, covering the numbers -100 to 7000.
class TableErrorTextSource : public ErrorTextSource {
public:
    struct Entry {
        int32_t code;
        const char* text;
    };
    std::string message(int32_t code) const override;
    // The table itself, in ascending order of code.
    static const Entry* begin();
    static const Entry* end();
};

// The source in use: FormatMessageA on Windows, the shipped table elsewhere.
ErrorTextSource& errorTexts();
// Installs a source (not owned); nullptr restores the default one.
void setErrorTextSource(ErrorTextSource* source);

} // namespace platform
