// The Windows backends on a live system (Wine in CI): registry, profile functions, error texts, the
// version check and the run command through the real command interpreter.
// Arguments: the folder of the shared test data, and the stand-in interpreter program.

#include "Check.h"
#include "IniProfileCases.h"

#include "execution/CommandPathCheck.h"
#include "platform/ErrorTexts.h"
#include "platform/FileRegistryStore.h"
#include "platform/PortableIniStore.h"
#include "platform/win/WinFileSave.h"
#include "platform/win/WinProcessStart.h"
#include "platform/win/WinRegistryStore.h"
#include "tools/OperatingSystem.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <memory>

using namespace platform;

namespace {

std::string dataFolder;
std::string standInProgram;

const std::string TestKey = "Software\\Orland Works\\Tessary Editor\\BackendTest";

std::string tempFolder()
{
    static std::string folder = [] {
        char base[MAX_PATH + 1] = {};
        GetTempPathA(sizeof base, base);
        std::string path = std::string(base) + "tessary-backends-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }();
    return folder;
}

bool writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> sz(const char* text)
{
    return std::vector<uint8_t>(text, text + std::strlen(text) + 1);
}

} // namespace

TEST_CASE(registryValueTypesRoundTripThroughTheRealRegistry)
{
    WinRegistryStore store;
    const std::string key = TestKey + "\\Types";
    CHECK(store.setValue(HKEY_CURRENT_USER_, key, {"Number", REG_DWORD_, {0x78, 0x56, 0x34, 0x12}}));
    const RegistryValue written[] = {{"Binary", REG_BINARY_, {0xFF}}, {"Number", REG_DWORD_, {1, 0, 0, 0}},
                                     {"Text", REG_SZ_, sz("caf\xe9")}, {"Expand", REG_EXPAND_SZ_, sz("%TEMP%")},
                                     {"", REG_SZ_, sz("default")}};
    for (const RegistryValue& value : written) // Number replaces the first one
        CHECK(store.setValue(HKEY_CURRENT_USER_, key, value));

    // What the system itself holds, read without the store.
    HKEY handle = nullptr;
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle), ERROR_SUCCESS);
    DWORD type = 0, number = 0, size = sizeof number;
    CHECK_EQ(RegQueryValueExA(handle, "Number", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size), ERROR_SUCCESS);
    CHECK(type == REG_DWORD && number == 1);
    char text[16] = {};
    size = sizeof text;
    CHECK_EQ(RegQueryValueExA(handle, "Text", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    CHECK(type == REG_SZ && size == 5 && std::string(text) == "caf\xe9");
    // The ANSI read adds a missing terminator; the stored (UTF-16) size shows whether it was written.
    size = 0;
    CHECK_EQ(RegQueryValueExW(handle, L"Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    CHECK_EQ(size, DWORD(5 * sizeof(wchar_t)));
    RegCloseKey(handle);

    std::optional<std::vector<RegistryValue>> values = store.values(HKEY_CURRENT_USER_, key);
    CHECK(values && values->size() == 5);
    for (const RegistryValue& want : written) // enumeration order is the system's: look values up by name
        CHECK(values && std::any_of(values->begin(), values->end(), [&](const RegistryValue& got) {
                  return got.name == want.name && got.type == want.type && got.data == want.data;
              }));
    CHECK(store.deleteValue(HKEY_CURRENT_USER_, key, "Binary"));
    CHECK(!store.deleteValue(HKEY_CURRENT_USER_, key, "Binary"));
    CHECK(store.values(HKEY_CURRENT_USER_, key)->size() == 4);
    CHECK(!store.values(HKEY_CURRENT_USER_, key + "\\Absent"));
    CHECK(!store.subKeys(HKEY_CURRENT_USER_, key + "\\Absent"));
}

TEST_CASE(nestedKeysAreListedAndDeletedFromTheLeaves)
{
    WinRegistryStore store;
    const std::string top = TestKey + "\\Tree";
    CHECK(store.createKey(HKEY_CURRENT_USER_, top + "\\A\\Deep"));
    CHECK(store.setValue(HKEY_CURRENT_USER_, top + "\\B", {"v", REG_SZ_, {'x', 0}}));
    CHECK(store.subKeys(HKEY_CURRENT_USER_, top).value_or(std::vector<std::string>{}).size() == 2);
    // A key with sub-keys stays: the caller deletes the leaves first.
    CHECK(!store.deleteKey(HKEY_CURRENT_USER_, top));
    CHECK(store.keyExists(HKEY_CURRENT_USER_, top + "\\A\\Deep"));
    for (const char* leaf : {"\\A\\Deep", "\\A", "\\B", ""}) // B's value goes with it
        CHECK(store.deleteKey(HKEY_CURRENT_USER_, top + leaf));
    CHECK(!store.keyExists(HKEY_CURRENT_USER_, top) && !store.deleteKey(HKEY_CURRENT_USER_, top));
    CHECK(!store.deleteKey(HKEY_CURRENT_USER_, ""));
}

TEST_CASE(aNamedRegistryFileKeepsTheRealRegistryUntouched)
{
    const std::string file = tempFolder() + "\\registry.reg";
    _putenv_s("TESSARY_REGISTRY_FILE", file.c_str());
    std::shared_ptr<RegistryStore> store = defaultRegistryStore();
    CHECK(store->setValue(HKEY_CURRENT_USER_, TestKey + "\\FileOnly", {"v", REG_SZ_, {'x', 0}}));
    CHECK(readFile(file).find("FileOnly") != std::string::npos);
    CHECK(!WinRegistryStore().keyExists(HKEY_CURRENT_USER_, TestKey + "\\FileOnly"));

    _putenv_s("TESSARY_REGISTRY_FILE", "");
    store = defaultRegistryStore();
    CHECK(store->setValue(HKEY_CURRENT_USER_, TestKey + "\\Live", {"v", REG_SZ_, {'y', 0}}));
    CHECK(WinRegistryStore().keyExists(HKEY_CURRENT_USER_, TestKey + "\\Live"));
    CHECK(store->deleteKey(HKEY_CURRENT_USER_, TestKey + "\\Live"));
}

TEST_CASE(profileFunctionsAndPortableStoreGiveTheSharedResults)
{
    std::shared_ptr<IniStore> system = defaultIniStore();
    PortableIniStore portable(tempFolder() + "\\portable-win.ini");
    const std::string cases = dataFolder + "/ini_profile_cases.txt";
    int fileNumber = 0;
    for (IniStore* store : {system.get(), static_cast<IniStore*>(&portable)}) {
        const std::string label = store == &portable ? "portable store: " : "profile functions: ";
        CHECK(inicases::run(
            cases, *store,
            [&](const std::string& text) { // full paths: a bare name would go to the Windows folder
                std::string path = tempFolder() + "\\case" + std::to_string(++fileNumber) + ".ini";
                writeFile(path, text);
                return path;
            },
            [&](int line, const std::string& what) { check::fail(cases.c_str(), line, label + what); },
            [&](int line, const std::string& what) { std::printf("NOTE %s:%d: %s%s\n", cases.c_str(), line, label.c_str(), what.c_str()); }));
    }
}

TEST_CASE(systemIniFileIsInTheWindowsFolder)
{
    char folder[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(folder, sizeof folder);
    std::shared_ptr<IniStore> store = defaultIniStore();
    CHECK_EQ(store->systemFilePath(), std::string(folder) + "\\WIN.INI");
    // An empty file name means that file.
    CHECK(store->writeString("", "TessaryBackendTest", "Key", std::string("system")));
    CHECK(store->flush(""));
    CHECK(readFile(store->systemFilePath()).find("Key=system") != std::string::npos);
    CHECK_EQ(store->readString("", "tessarybackendtest", "key", "d"), std::string("system"));
    CHECK(store->writeString("", "TessaryBackendTest", "Key", std::nullopt));
}

TEST_CASE(systemErrorTexts)
{
    CHECK(!errorTexts().message(0).empty() && !errorTexts().message(5).empty());
    CHECK(errorTexts().message(99999).empty() && errorTexts().message(-3).empty());
    // The message's own line breaks are dropped.
    CHECK(errorTexts().message(2).find_first_of("\r\n") == std::string::npos);
}

TEST_CASE(versionClassAgreesWithTheSystemsVersionCheck)
{
    std::unique_ptr<OsVersionSource> source = liveOsVersionSource();
    OperatingSystem os(*source);
    CHECK(os.MajorVersion() > 0 && os.IsVerifySupported());
    const int32_t major = os.MajorVersion();
    for (bool useVerify : {true, false}) { // the system's check and the class's own fields agree
        CHECK(os.CompareVersion(major, os.MinorVersion(), -1, os.ServicePackMajor(), -1, 1, useVerify));
        CHECK(!os.CompareVersion(major + 1, -1, -1, -1, -1, 1, useVerify));
        CHECK(os.CompareVersion(major + 1, -1, -1, -1, -1, 4, useVerify));
        CHECK(os.CompareVersion(major - 1, -1, -1, -1, -1, 2, useVerify));
    }
    CHECK_EQ(os.IsNT() || os.IsXP() || os.Platform() > 11, true);
}

namespace runs {

std::wstring wide(const std::string& text)
{
    std::wstring result(size_t(MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), result.data(), int(result.size()));
    return result;
}

// The stand-in's record: its folder, then its arguments (UTF-8); empty when it did not run.
std::vector<std::string> runAndRecord(const std::string& comspec, const std::string& commandLine,
                                      const std::string& folder, const std::string& out)
{
    const std::string reason = win::startProcess(comspec, commandLine, folder);
    if (!reason.empty()) {
        check::fail(__FILE__, __LINE__, "not started: " + reason + " (" + comspec + " in " + folder + ")");
        return {};
    }
    std::string bytes;
    for (int i = 0; i < 300 && bytes.empty(); ++i) {
        Sleep(100);
        bytes = readFile(out);
    }
    std::vector<std::string> records;
    for (size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        records.push_back(bytes.substr(start, end - start));
    return records;
}

} // namespace runs

// The NT 5 form of the run command through the real command interpreter, started wide and in the
// script's folder: a path the editor accepts arrives exactly (letters outside the ANSI code page too);
// the rest are refused for the character the table names, and at least one of them would indeed
// have arrived changed: the route really goes through an interpreter that expands. The command line
// names the interpreter by a bare name, as a COMSPEC without a folder would; the program is started
// by its full path all the same, not a cmd.exe planted in the current folder.
TEST_CASE(runCommandGivesTheInterpreterExactlyTheAcceptedPaths)
{
    // Read as the editor reads it: under Wine the C runtime's copy of the environment can be wrong
    // (with TMPDIR set, getenv("COMSPEC") gave "ComSpec=C:\...").
    wchar_t comspecBuffer[MAX_PATH + 1] = {};
    const DWORD comspecLength = GetEnvironmentVariableW(L"COMSPEC", comspecBuffer, MAX_PATH);
    CHECK(comspecLength > 0 && comspecLength < MAX_PATH);
    std::string comspec(size_t(comspecLength) * 3, '\0');
    comspec.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, comspecBuffer, int(comspecLength), comspec.data(),
                                              int(comspec.size()), nullptr, nullptr)));
    const std::string planted = tempFolder() + "\\planted";
    CreateDirectoryA(planted.c_str(), nullptr);
    CHECK(CopyFileA(standInProgram.c_str(), (planted + "\\cmd.exe").c_str(), FALSE));
    char previous[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(planted.c_str());
    const std::string out = tempFolder() + "\\arguments.bin";
    _putenv_s("ARGRECORDER_OUT", out.c_str());
    std::ifstream cases(dataFolder + "/command_path_cases.txt", std::ios::binary);
    CHECK(cases.good());
    int changedRefusals = 0, row = 0;
    for (std::string line; std::getline(cases, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::string refused = line.substr(0, line.find('\t'));
        std::string name = line.substr(line.find('\t') + 1);
        std::replace(name.begin(), name.end(), '/', '\\');
        const std::string base = tempFolder() + "\\run" + std::to_string(++row);
        const std::string script = base + "\\" + name, folder = script.substr(0, script.rfind('\\'));
        CreateDirectoryW(runs::wide(base).c_str(), nullptr);
        CreateDirectoryW(runs::wide(folder).c_str(), nullptr);
        const std::string found = execution::UnsafeCommandCharacter(script);
        CHECK_EQ(found, refused == "-" ? std::string() : refused);
        DeleteFileW(runs::wide(out).c_str());
        const std::vector<std::string> received = runs::runAndRecord(
            comspec, "cmd.exe /s /c \"\"" + standInProgram + "\" \"" + script + "\"\"", folder, out);
        const bool exact = received == std::vector<std::string>{folder, script};
        if (found.empty() && !exact)
            check::fail(__FILE__, __LINE__, "changed on its way: " + script);
        changedRefusals += !found.empty() && !exact;
    }
    CHECK(changedRefusals >= 1);
    SetCurrentDirectoryA(previous);
}

TEST_CASE(savesKeepTheFilesNamesAttributesAndOldContentOnRefusal)
{
    const std::string folder = tempFolder() + "\\saves";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::wstring wideFolder(folder.begin(), folder.end());
    const std::wstring path = wideFolder + L"\\caf\u00e9 \u0434.kix"; // not in the ANSI code page
    auto save = [&](const std::wstring& target, const char* body) { return win::saveFile(target, "; stamp\r\n", body); };
    auto content = [](const std::wstring& target) {
        std::ifstream in(target.c_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    auto folderEntries = [&] {
        int count = 0;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((wideFolder + L"\\*").c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
            count += found.cFileName[0] != L'.';
        FindClose(search);
        return count;
    };

    CHECK_EQ(save(path, "new").error, 0ul);
    CHECK_EQ(content(path), std::string("; stamp\r\nnew"));
    // Replaced: the attributes stay, the content is the new one, no temporary file is left. (Wine
    // keeps neither access lists nor creation times, so they cannot be checked here.)
    CHECK(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CHECK_EQ(save(path, "second, longer content").error, 0ul);
    CHECK_EQ(content(path), std::string("; stamp\r\nsecond, longer content"));
    CHECK(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    CHECK_EQ(folderEntries(), 1);
    // A second name for the file sees the new content: the file is written in place.
    const std::wstring link = wideFolder + L"\\other name.kix";
    CHECK(CreateHardLinkW(link.c_str(), path.c_str(), nullptr));
    CHECK_EQ(save(path, "short").error, 0ul);
    CHECK_EQ(content(link), std::string("; stamp\r\nshort"));
    CHECK_EQ(folderEntries(), 2);
    // A read-only file is refused and keeps its content.
    CHECK(SetFileAttributesW(link.c_str(), FILE_ATTRIBUTE_READONLY));
    CHECK_EQ(save(link, "refused").error, DWORD(ERROR_ACCESS_DENIED));
    CHECK_EQ(content(link), std::string("; stamp\r\nshort"));
    CHECK_EQ(folderEntries(), 2);
    SetFileAttributesW(link.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(link.c_str());
    DeleteFileW(path.c_str());
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::printf("usage: %s <test data folder> <stand-in interpreter>\n", argv[0]);
        return 2;
    }
    dataFolder = argv[1];
    standInProgram = argv[2];
    WinRegistryStore().createKey(HKEY_CURRENT_USER_, TestKey);
    const int status = check::runAll();
    RegDeleteTreeA(HKEY_CURRENT_USER, TestKey.c_str());
    return status;
}
