// Writes and deletions on the portable INI store, starting from arbitrary file text. The input is the
// file's bytes, a NUL, then a stream of operations. After each one: the value written reads back, a
// removed key reads as missing (unless a duplicate follows), the entries of every other section are
// unchanged, and the file's comment lines are all still there, in their order.

#include "FuzzCheck.h"

#include "platform/PortableIniStore.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

const char* const kSections[] = {"a", "A", "General", "b c", "x"};
const char* const kKeys[] = {"k", "K", "name", "two words", "z"};
const char* const kValues[] = {"1", "", "C:\\dir\\f.ini", "a=b", "x;y", "[s]"};

std::string fold(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    return text;
}

// The file's comment lines.
std::vector<std::string> commentLines(const std::string& path)
{
    std::vector<std::string> comments;
    std::ifstream lines(path, std::ios::binary);
    for (std::string line; std::getline(lines, line);) {
        const size_t first = line.find_first_not_of(" \t\r\v\f\x1a");
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (first != std::string::npos && line[first] == ';')
            comments.push_back(line);
    }
    return comments;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string initial = input.substr(0, split);
    const std::string ops = split == std::string::npos ? std::string() : input.substr(split + 1);

    const std::string folder = std::filesystem::temp_directory_path().string() + "/fuzz-ini-" +
                               std::to_string(getpid());
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/test.ini";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << initial;
    }
    PortableIniStore store(folder + "/system.ini");
    const std::vector<std::string> comments = commentLines(file);

    for (size_t i = 0; i + 3 <= ops.size() && i < 3 * 64; i += 3) {
        const std::string section = kSections[uint8_t(ops[i]) % 5];
        const std::string key = kKeys[uint8_t(ops[i + 1]) % 5];
        const int op = uint8_t(ops[i + 2]) % 8;
        const auto otherSections = [&] {
            std::vector<std::vector<std::string>> entries;
            for (const char* name : kSections)
                if (fold(name) != fold(section))
                    entries.push_back(store.readSection(file, name));
            return entries;
        };
        const auto others = otherSections();

        if (op < 5) {
            const std::string value = kValues[op];
            FUZZ_CHECK(store.writeString(file, section, key, value));
            FUZZ_CHECK(store.readString(file, section, key, "missing") == value);
        } else if (op < 7) {
            // As with the profile functions, a removal takes the first of duplicate keys only.
            int copies = 0;
            for (const std::string& entry : store.readSection(file, section))
                copies += fold(entry.substr(0, entry.find('='))) == fold(key);
            FUZZ_CHECK(store.writeString(file, section, key, std::nullopt));
            if (copies <= 1)
                FUZZ_CHECK(store.readString(file, section, key, "missing") == "missing");
        } else {
            FUZZ_CHECK(store.writeSection(file, section, {}));
            FUZZ_CHECK(store.readSection(file, section).empty());
        }
        FUZZ_CHECK(otherSections() == others && commentLines(file) == comments);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
