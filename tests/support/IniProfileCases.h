#pragma once
// Runs the cases of tests/data/ini_profile_cases.txt against an INI store. Plain C++: the Windows
// backend tests (built without Qt) share them.

#include "platform/IniStore.h"

#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace inicases {

inline std::string unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = text[i] == '\\' && i + 1 < text.size() ? text[++i] : '\0';
        out += !next ? text[i] : next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
    return out;
}

inline std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

// fail(line, what) for every result that differs; newFile(text) writes a fresh file and returns the
// name to hand to the store. False when the cases file is unreadable or holds a line it does not know.
inline bool run(const std::string& casesFile, platform::IniStore& store,
                const std::function<std::string(const std::string&)>& newFile,
                const std::function<void(int, const std::string&)>& fail)
{
    std::ifstream in(casesFile, std::ios::binary);
    if (!in)
        return false;
    std::string line, file;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const size_t space = line.find(' ');
        const std::string verb = line.substr(0, space);
        const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
        std::vector<std::string> args = split(rest, '|');
        if (verb == "file") {
            file = newFile(unescape(rest));
        } else if (verb == "write") {
            if (args.size() < 2)
                return false;
            const auto value = args.size() > 2 ? std::optional<std::string>(args[2]) : std::nullopt;
            if (!store.writeString(file, args[0], args[1], value))
                fail(number, "write refused");
        } else if (verb == "replace") {
            std::vector<std::string> entries(args.begin() + 1, args.end());
            if (entries.size() == 1 && entries[0].empty())
                entries.clear();
            if (!store.writeSection(file, args[0], entries))
                fail(number, "section write refused");
        } else {
            const size_t equals = rest.find(" =");
            if (equals == std::string::npos)
                return false;
            args = split(rest.substr(0, equals), '|');
            std::string expected = rest.substr(equals + 2), actual;
            if (!expected.empty() && expected[0] == ' ')
                expected.erase(0, 1);
            if (verb == "string" && args.size() == 3) {
                actual = store.readString(file, args[0], args[1], args[2]);
            } else if (verb == "int" && args.size() == 3) {
                actual = std::to_string(store.readInt(file, args[0], args[1], std::stoi(args[2])));
            } else if (verb == "section" && args.size() == 1) {
                const std::vector<std::string> entries = store.readSection(file, args[0]);
                for (size_t i = 0; i < entries.size(); ++i)
                    actual += (i ? "|" : "") + entries[i];
            } else {
                return false;
            }
            if (actual != expected)
                fail(number, "got [" + actual + "], want [" + expected + "]");
        }
    }
    return true;
}

} // namespace inicases
