#include "platform/PortableIniStore.h"

#include "platform/RegistryFileAccess.h"
#include "platform/SafeFileWriter.h"

#include <cstdlib>

namespace platform {
namespace {

bool isBlank(char c)
{
    // The profile functions count CR and the DOS end-of-file mark as blanks too.
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string trimmed(const std::string& text)
{
    size_t start = 0, end = text.size();
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

struct Line {
    enum Kind { Blank, Comment, Section, Entry };
    std::string text; // as in the file, without its line break
    std::string eol;  // the line break as in the file: CR LF, LF or CR; "" for a last line without one
    Kind kind = Blank;
    std::string name;  // section name or key, trimmed
    std::string value; // entry value, trimmed
    bool hasValue = false;
};

Line classify(std::string text, std::string eol)
{
    Line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const std::string t = trimmed(line.text);
    if (t.empty()) {
        line.kind = Line::Blank;
    } else if (t.front() == '[' && t.find(']') != std::string::npos) {
        line.kind = Line::Section;
        line.name = trimmed(t.substr(1, t.find(']') - 1));
    } else {
        // A comment is still split at its "=": the profile functions find its value when asked for
        // the key with the ";", although they leave it out of section listings.
        line.kind = t.front() == ';' ? Line::Comment : Line::Entry;
        const size_t eq = t.find('=');
        line.hasValue = eq != std::string::npos;
        line.name = trimmed(t.substr(0, eq));
        if (line.hasValue)
            line.value = trimmed(t.substr(eq + 1));
    }
    return line;
}

struct IniText {
    std::vector<Line> lines;
    std::string newline;

    static constexpr size_t npos = size_t(-1);

    size_t findSection(const std::string& section) const
    {
        const std::string wanted = trimmed(section);
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].kind == Line::Section && sameName(lines[i].name, wanted))
                return i;
        return npos;
    }
    size_t sectionEnd(size_t header) const
    {
        size_t i = header + 1;
        while (i < lines.size() && lines[i].kind != Line::Section)
            ++i;
        return i;
    }
    size_t findKey(size_t header, const std::string& key) const
    {
        const std::string wanted = trimmed(key);
        const Line::Kind kind = !wanted.empty() && wanted.front() == ';' ? Line::Comment : Line::Entry;
        for (size_t i = header + 1, end = sectionEnd(header); i < end; ++i)
            if (lines[i].kind == kind && sameName(lines[i].name, wanted))
                return i;
        return npos;
    }
    // Where a new entry of the section goes: after its last line that is not blank.
    size_t insertionPoint(size_t header) const
    {
        size_t at = header + 1;
        for (size_t i = header + 1, end = sectionEnd(header); i < end; ++i)
            if (lines[i].kind != Line::Blank)
                at = i + 1;
        return at;
    }
    void insert(size_t at, const std::string& text)
    {
        // A last line without a line break gets one before anything follows it.
        if (at > 0 && at == lines.size() && lines[at - 1].eol.empty())
            lines[at - 1].eol = newline;
        lines.insert(lines.begin() + long(at), classify(text, newline));
    }
    std::string serialize() const
    {
        std::string out;
        for (const Line& line : lines)
            out += line.text + line.eol;
        return out;
    }
};

enum class Load { Ok, Missing, Failed };

Load load(const std::string& path, IniText& ini)
{
    std::string bytes, error;
    const auto status = registryfile::readWholeFile(path, PortableIniStore::MaxFileBytes, bytes, error);
    if (status == registryfile::ReadStatus::Failed)
        return Load::Failed;
#ifdef _WIN32
    ini.newline = "\r\n";
#else
    ini.newline = "\n";
#endif
    // As for the profile functions, a carriage return alone ends a line too. New lines take the
    // file's first line break.
    bool newlineSeen = false;
    for (size_t start = 0; start < bytes.size();) {
        const size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            ini.lines.push_back(classify(bytes.substr(start), ""));
            break;
        }
        const size_t breakLength = bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        std::string eol = bytes.substr(end, breakLength);
        if (!newlineSeen) {
            ini.newline = eol;
            newlineSeen = true;
        }
        ini.lines.push_back(classify(bytes.substr(start, end - start), std::move(eol)));
        start = end + breakLength;
    }
    return status == registryfile::ReadStatus::Missing ? Load::Missing : Load::Ok;
}

bool hasLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

// A file the system will not let us write, or one marked read-only (no write permission for
// anyone, which the profile functions' read-only attribute stands for here), is refused even when
// the administrator could write it; the write then reports failure and the file stays as it was.
bool save(const std::string& path, const IniText& ini, bool createFolder)
{
    std::string error;
    if (createFolder && !registryfile::ensureParentFolder(path, error))
        return false;
    const std::string text = ini.serialize();
    return safefile::write(path, {}, text, safefile::ReadOnly::AlsoWithoutWriteBit).ok();
}

std::string unquoted(const std::string& value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::string defaultSystemIniPath()
{
    if (const char* explicitFile = std::getenv("TESSARY_WIN_INI"); explicitFile && *explicitFile)
        return explicitFile;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base = config ? config : "";
    if (base.empty() || base.front() != '/') {
        const char* home = std::getenv("HOME");
        base = home && *home ? std::string(home) + "/.config" : std::string(".config");
    }
    return base + "/tessary-editor/win.ini";
}

#ifndef _WIN32
std::shared_ptr<IniStore> defaultIniStore()
{
    return std::make_shared<PortableIniStore>();
}
#endif

PortableIniStore::PortableIniStore(std::string systemFile) : systemFile_(std::move(systemFile)) {}

std::string PortableIniStore::pathOf(const std::string& file) const
{
    return file.empty() ? systemFile_ : file;
}

std::string PortableIniStore::readString(const std::string& file, const std::string& section,
                                         const std::string& key, const std::string& defaultValue)
{
    std::string fallback = defaultValue;
    while (!fallback.empty() && isBlank(fallback.back()))
        fallback.pop_back();
    IniText ini;
    if (load(pathOf(file), ini) != Load::Ok)
        return fallback;
    const size_t header = ini.findSection(section);
    if (header == IniText::npos)
        return fallback;
    const size_t at = ini.findKey(header, key);
    if (at == IniText::npos)
        return fallback;
    return unquoted(ini.lines[at].value);
}

int PortableIniStore::readInt(const std::string& file, const std::string& section, const std::string& key,
                              int defaultValue)
{
    const std::string text = readString(file, section, key, std::string());
    if (text.empty())
        return defaultValue;
    // Leading digits count (decimal, or hexadecimal after "0x"); anything else reads as 0.
    size_t i = 0;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+')
        negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    unsigned long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = c >= '0' && c <= '9' ? c - '0'
                  : base == 16 && lowerAscii(c) >= 'a' && lowerAscii(c) <= 'f' ? lowerAscii(c) - 'a' + 10
                                                                                 : -1;
        if (digit < 0)
            break;
        value = (value * unsigned(base) + unsigned(digit)) & 0xFFFFFFFFull; // wraps as a 32-bit value does
    }
    const auto bits = static_cast<unsigned>(value);
    return negative ? -static_cast<int>(bits) : static_cast<int>(bits);
}

std::vector<std::string> PortableIniStore::readSection(const std::string& file, const std::string& section)
{
    std::vector<std::string> entries;
    IniText ini;
    if (load(pathOf(file), ini) != Load::Ok)
        return entries;
    const size_t header = ini.findSection(section);
    if (header == IniText::npos)
        return entries;
    for (size_t i = header + 1, end = ini.sectionEnd(header); i < end; ++i) {
        const Line& line = ini.lines[i];
        if (line.kind == Line::Entry)
            entries.push_back(line.hasValue ? line.name + "=" + line.value : line.name);
    }
    return entries;
}

bool PortableIniStore::writeString(const std::string& file, const std::string& section, const std::string& key,
                                   const std::optional<std::string>& value)
{
    const std::string name = trimmed(section), keyName = trimmed(key);
    // Text that would break the line structure cannot be stored.
    if (name.empty() || keyName.empty() || hasLineBreak(name) || hasLineBreak(keyName) ||
        name.find(']') != std::string::npos || keyName.find('=') != std::string::npos ||
        keyName.front() == ';' || keyName.front() == '[' || (value && hasLineBreak(*value)))
        return false;
    const std::string path = pathOf(file);
    IniText ini;
    const Load loaded = load(path, ini);
    if (loaded == Load::Failed)
        return false;
    size_t header = ini.findSection(name);
    if (header == IniText::npos) {
        if (!value)
            return true; // nothing to remove
        ini.insert(ini.lines.size(), "[" + name + "]");
        header = ini.lines.size() - 1;
    }
    const size_t at = ini.findKey(header, keyName);
    if (!value) {
        if (at == IniText::npos)
            return true;
        ini.lines.erase(ini.lines.begin() + long(at));
    } else if (at != IniText::npos) {
        Line& line = ini.lines[at];
        line = classify(line.name + "=" + *value, line.eol);
    } else {
        ini.insert(ini.insertionPoint(header), keyName + "=" + *value);
    }
    return save(path, ini, file.empty());
}

bool PortableIniStore::writeSection(const std::string& file, const std::string& section,
                                    const std::vector<std::string>& entries)
{
    const std::string name = trimmed(section);
    if (name.empty() || hasLineBreak(name) || name.find(']') != std::string::npos)
        return false;
    for (const std::string& entry : entries)
        if (hasLineBreak(entry) || trimmed(entry).empty())
            return false;
    const std::string path = pathOf(file);
    IniText ini;
    if (load(path, ini) == Load::Failed)
        return false;
    size_t header = ini.findSection(name);
    if (header == IniText::npos) {
        ini.insert(ini.lines.size(), "[" + name + "]");
        header = ini.lines.size() - 1;
    } else {
        // The old entries go; the section's comments and blank lines stay where they are.
        for (size_t i = ini.sectionEnd(header); i > header + 1; --i)
            if (ini.lines[i - 1].kind == Line::Entry)
                ini.lines.erase(ini.lines.begin() + long(i - 1));
    }
    size_t at = header + 1;
    for (const std::string& entry : entries)
        ini.insert(at++, entry);
    return save(path, ini, file.empty());
}

bool PortableIniStore::flush(const std::string&)
{
    return true; // nothing is held back: every write goes to the file at once
}

} // namespace platform
