#pragma once
// Runs the cases of tests/data/ini_profile_cases.txt against an INI store. Plain C++: the Windows
// backend tests (built without Qt) share them.

#include "platform/IniStore.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// Marks the file read-only as the system does. False when the system still lets this user open it for
// writing (Wine run as root ignores the mark), so that refusals cannot be checked here.
inline bool makeReadOnly(const std::string& path)
{
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true;
    CloseHandle(file);
    return false;
#else
    return ::chmod(path.c_str(), 0444) == 0; // read-only for the INI store even when run as root
#endif
}

inline bool addHardLink(const std::string& path, const std::string& other)
{
#ifdef _WIN32
    return CreateHardLinkA(other.c_str(), path.c_str(), nullptr);
#else
    return ::link(path.c_str(), other.c_str()) == 0;
#endif
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
// name to hand to the store; note(line, what) tells of rows this system cannot check. False when the
// cases file is unreadable or holds a line it does not know.
inline bool run(const std::string& casesFile, platform::IniStore& store,
                const std::function<std::string(const std::string&)>& newFile,
                const std::function<void(int, const std::string&)>& fail,
                const std::function<void(int, const std::string&)>& note = {})
{
    std::ifstream in(casesFile, std::ios::binary);
    if (!in)
        return false;
    std::string line, file, otherName;
    bool skipping = false; // the rest of this file's rows cannot be checked here
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const size_t space = line.find(' ');
        const std::string verb = line.substr(0, space);
        std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
        // A write that must be refused ends in " = refused".
        const size_t mark = rest.rfind(" = refused");
        const bool mustRefuse = (verb == "write" || verb == "replace") && mark != std::string::npos && mark + 10 == rest.size();
        std::vector<std::string> args = split(rest.substr(0, mustRefuse ? mark : rest.size()), '|');
        if (verb == "file") {
            file = newFile(unescape(rest));
            otherName.clear();
            skipping = false;
        } else if (skipping) {
            continue;
        } else if (verb == "readonly") {
            skipping = !makeReadOnly(file);
            if (skipping && note)
                note(number, "this user may write read-only files here: the rows up to the next file are skipped");
        } else if (verb == "link") { // the file gets a second name (a hard link)
            if (!addHardLink(file, otherName = file + ".link"))
                fail(number, "no hard link");
        } else if (verb == "other") { // the rows below use the other name
            std::swap(file, otherName);
        } else if (verb == "write" || verb == "replace") {
            if (args.size() < 2)
                return false;
            std::vector<std::string> entries(args.begin() + 1, args.end()); // replace: "section|" for none
            if (entries.size() == 1 && entries[0].empty())
                entries.clear();
            const bool written = verb == "replace" ? store.writeSection(file, args[0], entries)
                                                   : store.writeString(file, args[0], args[1],
                                                                       args.size() > 2 ? std::optional(args[2]) : std::nullopt);
            if (written == mustRefuse)
                fail(number, written ? "write not refused" : "write refused");
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
