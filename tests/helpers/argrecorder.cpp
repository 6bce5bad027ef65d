// Stand-in for a command or script interpreter in tests: writes the folder it was started in, then the
// arguments it received (without its own name), each followed by a NUL byte, to the file named by
// ARGRECORDER_OUT. Text is UTF-8; on Windows the arguments are read in their wide form, so that no
// code page stands between the caller and the record. The file appears whole.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

int write(FILE* file, const std::vector<std::string>& records)
{
    if (!file)
        return 3;
    for (const std::string& record : records)
        std::fwrite(record.c_str(), 1, record.size() + 1, file); // with the NUL that ends it
    return std::fclose(file) == 0 ? 0 : 4;
}

#ifdef _WIN32
std::string utf8(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 1 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    return result;
}
#endif

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    const wchar_t* out = _wgetenv(L"ARGRECORDER_OUT");
    if (!out)
        return 2;
    std::vector<wchar_t> folder(32768);
    GetCurrentDirectoryW(DWORD(folder.size()), folder.data());
    std::vector<std::string> records{utf8(folder.data())};
    for (int i = 1; i < argc; ++i)
        records.push_back(utf8(argv[i]));
    std::wstring partial = std::wstring(out) + L".part";
    if (int status = write(_wfopen(partial.c_str(), L"wb"), records))
        return status;
    return MoveFileExW(partial.c_str(), out, MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}
#else
int main(int argc, char** argv)
{
    const char* out = std::getenv("ARGRECORDER_OUT");
    if (!out)
        return 2;
    std::vector<char> folder(65536);
    std::vector<std::string> records{getcwd(folder.data(), folder.size()) ? folder.data() : ""};
    for (int i = 1; i < argc; ++i)
        records.push_back(argv[i]);
    std::string partial = std::string(out) + ".part";
    if (int status = write(std::fopen(partial.c_str(), "wb"), records))
        return status;
    return std::rename(partial.c_str(), out) == 0 ? 0 : 5;
}
#endif
