#include "platform/RegistryFileFormat.h"

#include "platform/TextEncoding.h"

#include <cstdio>
#include <optional>

namespace platform {
namespace {

#ifdef _WIN32
constexpr std::string_view kLineEnd = "\r\n";
#else
constexpr std::string_view kLineEnd = "\n";
#endif
constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUnicodeHeader = "Windows Registry Editor Version 5.00";
constexpr size_t kWrapColumn = 77;
// Each deletion costs time in proportion to the entries beside it; the editor never writes such
// lines, so a file full of them is not one of its own.
constexpr size_t kMaxRemovalLines = 100;

bool isControl(unsigned char c)
{
    return c < 0x20 && c != '\t';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && registryNamesEqual(s.substr(0, prefix.size()), prefix);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<uint32_t> parseHexNumber(std::string_view s, size_t maxDigits)
{
    if (s.empty() || s.size() > maxDigits)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : s) {
        int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    return value;
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> parseQuoted(std::string_view s, size_t& pos)
{
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
        char c = s[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"'))
            c = s[++pos];
        out.push_back(c);
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> parseHexBytes(std::string_view s)
{
    std::vector<uint8_t> bytes;
    s = trim(s);
    if (s.empty())
        return bytes;
    size_t start = 0;
    while (true) {
        size_t comma = s.find(',', start);
        std::string_view item = trim(s.substr(start, comma == std::string_view::npos ? s.npos : comma - start));
        auto value = parseHexNumber(item, 2);
        if (!value)
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(*value));
        if (comma == std::string_view::npos)
            return bytes;
        start = comma + 1;
    }
}

class Parser {
public:
    explicit Parser(std::string_view text)
    {
        if (text.substr(0, 2) == "\xFF\xFE") {
            converted_ = text::utf16leToUtf8(text.substr(2));
            text = converted_;
        } else if (text.substr(0, 3) == "\xEF\xBB\xBF") {
            text.remove_prefix(3);
        }
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            lines_.push_back(line);
            start = end + 1;
        }
    }

    RegistryParseResult run()
    {
        RegistryParseResult result;
        if (lines_.empty()) {
            result.ok = true; // an empty file holds no values
            return result;
        }
        const std::string_view header = trim(lines_[0]);
        if (header == kUnicodeHeader) {
            unicodeExport_ = true;
        } else if (header != kHeader) {
            // Not a registry export at all: nothing in it can be trusted.
            result.error = "the first line is not a registry export header";
            result.skippedLines = lines_.size();
            return result;
        }
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            std::string_view line = trim(lines_[index_]);
            if (line.empty() || line.front() == ';')
                continue;
            const size_t first = index_;
            std::string error;
            if (hasControlBytes(line))
                error = "control or binary bytes";
            else if (line.front() == '[')
                error = section(line, result.tree);
            else if (line.front() == '"' || line.front() == '@')
                error = value(line);
            else
                error = "unrecognised line";
            if (!error.empty())
                skip(result, first, error);
        }
        result.ok = result.skippedLines == 0;
        return result;
    }

private:
    static bool hasControlBytes(std::string_view line)
    {
        for (char c : line)
            if (isControl(static_cast<unsigned char>(c)))
                return true;
        return false;
    }

    static void skip(RegistryParseResult& result, size_t line, const std::string& why)
    {
        if (result.skippedLines++ == 0)
            result.error = why + " at line " + std::to_string(line + 1);
    }

    // After a key line that was not read, its values are not read either.
    std::string badSection(const std::string& why)
    {
        hasKey_ = false;
        skipValues_ = false;
        sectionSkipped_ = true;
        return why;
    }

    std::string section(std::string_view line, RegistryTree& tree)
    {
        if (line.back() != ']' || line.size() < 3)
            return badSection("unterminated key line");
        std::string_view inner = line.substr(1, line.size() - 2);
        const bool removal = !inner.empty() && inner.front() == '-';
        if (removal)
            inner.remove_prefix(1);
        const size_t slash = inner.find('\\');
        auto hive = hiveFromName(inner.substr(0, slash));
        if (!hive)
            return badSection("unknown root key");
        std::string_view path = slash == std::string_view::npos ? std::string_view() : inner.substr(slash + 1);
        auto parts = splitRegistryPath(path);
        if (parts.size() > RegistryTree::kMaxDepth)
            return badSection("key path too deep");
        for (const auto& part : parts)
            if (registryNameLength(part) > kMaxKeyNameChars)
                return badSection("key name too long");
        sectionSkipped_ = false;
        if (removal) {
            if (++removals_ > kMaxRemovalLines)
                return badSection("too many deletion lines");
            tree.deleteTree(*hive, parts);
            hasKey_ = false;
            skipValues_ = true;
            return {};
        }
        key_ = tree.create(*hive, parts);
        if (!key_)
            return badSection("key path too deep");
        hasKey_ = true;
        skipValues_ = false;
        return {};
    }

    std::string value(std::string_view line)
    {
        RegistryValue v;
        size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else {
            auto name = parseQuoted(line, pos);
            if (!name)
                return "unterminated value name";
            v.name = std::move(*name);
        }
        std::string_view rest = trim(line.substr(pos));
        if (rest.empty() || rest.front() != '=')
            return "missing '=' after the value name";
        rest = trim(rest.substr(1));
        // Read the whole value first (it may continue on further lines), then decide where it goes.
        std::string error = data(rest, v);
        if (!error.empty())
            return error;
        if (registryNameLength(v.name) > kMaxValueNameChars)
            return "value name too long";
        if (sectionSkipped_)
            return "value of a key that was not read";
        if (!hasKey_ && !skipValues_)
            return "value outside any key";
        if (!hasKey_)
            return {};
        if (removeValue_) {
            if (++removals_ > kMaxRemovalLines)
                return "too many deletion lines";
            key_->removeValue(v.name);
        } else {
            key_->putValue(v);
        }
        return {};
    }

    std::string data(std::string_view rest, RegistryValue& v)
    {
        removeValue_ = rest == "-";
        if (removeValue_)
            return {};
        if (!rest.empty() && rest.front() == '"') {
            size_t p = 0;
            auto text = parseQuoted(rest, p);
            if (!text || !trim(rest.substr(p)).empty())
                return "malformed string value";
            v.type = REG_SZ_;
            v.data.assign(text->begin(), text->end());
            v.data.push_back(0);
        } else if (startsWithNoCase(rest, "dword:")) {
            auto number = parseHexNumber(trim(rest.substr(6)), 8);
            if (!number)
                return "malformed dword value";
            v.type = REG_DWORD_;
            for (int i = 0; i < 4; ++i)
                v.data.push_back(static_cast<uint8_t>((*number >> (8 * i)) & 0xFF));
        } else if (startsWithNoCase(rest, "hex")) {
            // Gather the continuation lines before judging, so that a bad value costs only itself.
            std::string joined(rest);
            while (!joined.empty() && joined.back() == '\\') {
                joined.pop_back();
                if (index_ + 1 >= lines_.size())
                    return "continuation past the end of the file";
                joined += trim(lines_[++index_]);
            }
            if (hasControlBytes(joined))
                return "control or binary bytes";
            std::string_view typeText = std::string_view(joined).substr(3);
            v.type = REG_BINARY_;
            if (!typeText.empty() && typeText.front() == '(') {
                size_t close = typeText.find(')');
                if (close == std::string_view::npos)
                    return "malformed hex type";
                auto type = parseHexNumber(trim(typeText.substr(1, close - 1)), 8);
                if (!type)
                    return "malformed hex type";
                v.type = *type;
                typeText = typeText.substr(close + 1);
            }
            if (typeText.empty() || typeText.front() != ':')
                return "malformed hex value";
            auto bytes = parseHexBytes(typeText.substr(1));
            if (!bytes)
                return "malformed hex bytes";
            v.data = std::move(*bytes);
            // The newer export keeps text in UTF-16; here text is UTF-8.
            if (unicodeExport_ && (v.type == REG_SZ_ || v.type == REG_EXPAND_SZ_ || v.type == REG_MULTI_SZ_)) {
                const std::string utf8 =
                    text::utf16leToUtf8(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size()));
                v.data.assign(utf8.begin(), utf8.end());
            }
        } else {
            return "unrecognised value data";
        }
        return {};
    }

    std::string converted_;
    std::vector<std::string_view> lines_;
    size_t index_ = 0;
    bool unicodeExport_ = false;
    bool hasKey_ = false;
    bool skipValues_ = false;     // after "[-KEY]": values are ignored, as the registry editor does
    bool sectionSkipped_ = false; // after a key line that could not be read
    bool removeValue_ = false;
    size_t removals_ = 0;
    // The key of the current section; stays valid until the next section line changes the tree.
    RegistryKeyNode* key_ = nullptr;
};

void appendQuoted(std::string& out, std::string_view text)
{
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

bool isPlainText(const RegistryValue& value)
{
    if (value.data.empty() || value.data.back() != 0)
        return false;
    for (size_t i = 0; i + 1 < value.data.size(); ++i)
        if (value.data[i] == 0 || isControl(value.data[i]))
            return false;
    return true;
}

void appendHex(std::string& out, size_t lineStart, const std::vector<uint8_t>& bytes)
{
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        if (out.size() - lineStart + 3 > kWrapColumn) {
            out += '\\';
            out += kLineEnd;
            lineStart = out.size();
            out += "  ";
        }
        out += digits;
        if (i + 1 < bytes.size())
            out += ',';
    }
}

void appendValue(std::string& out, const RegistryValue& value)
{
    const size_t lineStart = out.size();
    if (value.name.empty())
        out += '@';
    else
        appendQuoted(out, value.name);
    out += '=';
    if (value.type == REG_SZ_ && isPlainText(value)) {
        appendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    } else if (value.type == REG_DWORD_ && value.data.size() == 4) {
        char number[16];
        const uint32_t n = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                           (static_cast<uint32_t>(value.data[3]) << 24);
        std::snprintf(number, sizeof number, "dword:%08x", n);
        out += number;
    } else {
        if (value.type == REG_BINARY_) {
            out += "hex:";
        } else {
            char type[24];
            std::snprintf(type, sizeof type, "hex(%x):", value.type);
            out += type;
        }
        appendHex(out, lineStart, value.data);
    }
    out += kLineEnd;
}

void appendKey(std::string& out, const std::string& path, const RegistryKeyNode& key, bool isRoot)
{
    // A key without values is written only when nothing below it would create it.
    if (!key.values().empty() || (!isRoot && key.subKeys().empty())) {
        out += '[';
        out += path;
        out += ']';
        out += kLineEnd;
        for (const auto& value : key.values())
            appendValue(out, value);
        out += kLineEnd;
    }
    for (const auto& sub : key.subKeys())
        appendKey(out, path + '\\' + sub.name(), sub, false);
}

} // namespace

bool isWritableRegistryName(std::string_view name)
{
    for (char c : name)
        if (isControl(static_cast<unsigned char>(c)))
            return false;
    return true;
}

size_t registryNameLength(std::string_view name)
{
    if (!text::isValidUtf8(name))
        return name.size();
    size_t count = 0;
    for (char c : name)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

RegistryParseResult parseRegistryText(std::string_view text)
{
    return Parser(text).run();
}

std::string formatRegistryText(const RegistryTree& tree)
{
    std::string out(kHeader);
    out += kLineEnd;
    out += kLineEnd;
    for (uint32_t hive : RegistryTree::knownHives())
        if (const RegistryKeyNode* root = tree.root(hive))
            appendKey(out, std::string(hiveName(hive)), *root, true);
    return out;
}

} // namespace platform
