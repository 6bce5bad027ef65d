#include "platform/ErrorTexts.h"

#include <algorithm>
#include <iterator>

#ifdef _WIN32
#include "platform/win/FormatMessageErrorTexts.h"
#endif

namespace platform {

namespace {

const TableErrorTextSource::Entry table[] = {
#include "platform/data/win32_errors.inc"
};

ErrorTextSource* installed = nullptr;

ErrorTextSource& defaultSource()
{
#ifdef _WIN32
    static FormatMessageErrorTextSource source;
#else
    static TableErrorTextSource source;
#endif
    return source;
}

} // namespace

const TableErrorTextSource::Entry* TableErrorTextSource::begin()
{
    return std::begin(table);
}

const TableErrorTextSource::Entry* TableErrorTextSource::end()
{
    return std::end(table);
}

std::string TableErrorTextSource::message(int32_t code) const
{
    const Entry* found = std::lower_bound(begin(), end(), code,
                                          [](const Entry& entry, int32_t c) { return entry.code < c; });
    return found != end() && found->code == code ? std::string(found->text) : std::string();
}

ErrorTextSource& errorTexts()
{
    return installed ? *installed : defaultSource();
}

void setErrorTextSource(ErrorTextSource* source)
{
    installed = source;
}

} // namespace platform
