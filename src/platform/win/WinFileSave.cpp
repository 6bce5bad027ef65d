#include "platform/win/WinFileSave.h"

#include <windows.h>
#include <aclapi.h>

#include <vector>

namespace platform::win {
namespace {

class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() { close(); }
    Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            other.handle_ = INVALID_HANDLE_VALUE;
        }
        return *this;
    }
    void close()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    operator HANDLE() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

DWORD writeAll(HANDLE file, std::string_view data)
{
    while (!data.empty()) {
        const DWORD chunk = data.size() > (1u << 30) ? (1u << 30) : DWORD(data.size());
        DWORD written = 0;
        if (!WriteFile(file, data.data(), chunk, &written, nullptr))
            return GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        data.remove_prefix(written);
    }
    return 0;
}

DWORD writeContent(HANDLE file, std::string_view prefix, std::string_view body)
{
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return GetLastError();
    DWORD error = writeAll(file, prefix);
    if (!error)
        error = writeAll(file, body);
    if (!error && !SetEndOfFile(file))
        error = GetLastError();
    if (!error && !FlushFileBuffers(file))
        error = GetLastError();
    return error;
}

// Copies the whole content of one open file into another, from the start of both.
DWORD copyContent(HANDLE from, HANDLE to)
{
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(from, start, nullptr, FILE_BEGIN) || !SetFilePointerEx(to, start, nullptr, FILE_BEGIN))
        return GetLastError();
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, buffer.data(), DWORD(buffer.size()), &got, nullptr))
            return GetLastError();
        if (got == 0)
            break;
        if (const DWORD error = writeAll(to, std::string_view(buffer.data(), got)))
            return error;
    }
    if (!SetEndOfFile(to) || !FlushFileBuffers(to))
        return GetLastError();
    return 0;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring folderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash + 1);
}

// Gives the replacement what the system's replace call keeps of the old file (its security
// descriptor's access list, creation time and attributes), so that nothing depends on how
// completely the call does it. False when the access list cannot be copied.
bool takeOver(HANDLE from, DWORD attributes, HANDLE to)
{
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(from, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    const SECURITY_INFORMATION which = DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED)
                                                                        ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                        : UNPROTECTED_DACL_SECURITY_INFORMATION);
    const bool copied = SetSecurityInfo(to, SE_FILE_OBJECT, which, nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
    LocalFree(descriptor);
    if (!copied)
        return false;
    FILE_BASIC_INFO info{};
    if (GetFileInformationByHandleEx(from, FileBasicInfo, &info, sizeof info)) {
        constexpr DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        // Zero leaves a time as it is; only the creation time is the old file's.
        info.LastAccessTime.QuadPart = info.LastWriteTime.QuadPart = info.ChangeTime.QuadPart = 0;
        info.FileAttributes = (attributes & kept) ? (attributes & kept) : FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(to, FileBasicInfo, &info, sizeof info);
    }
    return true;
}

// A new, empty file no one else may open, in folder; the name goes to name.
Handle createUnique(const std::wstring& folder, const wchar_t* kind, std::wstring& name)
{
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        name = folder + (folder.empty() || folder.back() == L'\\' || folder.back() == L'/' ? L"" : L"\\") +
               L"~tessary-" + kind + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(GetTickCount() + attempt) + L".tmp";
        HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | WRITE_DAC, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return Handle(handle);
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    name.clear();
    return Handle();
}

std::wstring tempFolder()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return length && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring(L".");
}

// A new file: written beside its place under a temporary name, then moved there, so that a failure
// leaves nothing half-written under the name. The file takes its folder's inherited ACLs.
SaveOutcome saveNew(const std::wstring& path, std::string_view prefix, std::string_view body)
{
    std::wstring temp;
    Handle file = createUnique(folderOf(path), L"save", temp);
    if (!file.valid())
        return {GetLastError() ? GetLastError() : ERROR_CANNOT_MAKE, {}};
    DWORD error = writeContent(file, prefix, body);
    file.close();
    if (!error && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error)
        DeleteFileW(temp.c_str());
    return {error, {}};
}

// Rewrites an open file in place, after a copy of its old content is kept beside it or in the
// temporary folder; the copy goes back on any failure.
SaveOutcome saveInPlace(const std::wstring& path, HANDLE file, std::string_view prefix, std::string_view body)
{
    std::wstring backupName;
    Handle backup = createUnique(folderOf(path), L"backup", backupName);
    if (!backup.valid())
        backup = createUnique(tempFolder(), L"backup", backupName);
    if (!backup.valid())
        return {GetLastError() ? GetLastError() : ERROR_CANNOT_MAKE, {}};
    if (const DWORD error = copyContent(file, backup)) {
        backup.close();
        DeleteFileW(backupName.c_str());
        return {error, {}};
    }
    const DWORD error = writeContent(file, prefix, body);
    if (!error || copyContent(backup, file) == 0) {
        backup.close();
        DeleteFileW(backupName.c_str());
        return {error, {}};
    }
    return {error, backupName};
}

} // namespace

SaveOutcome saveFile(const std::wstring& path, std::string_view prefix, std::string_view body)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return saveNew(path, prefix, body);
        return {error, {}};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return {ERROR_DIRECTORY, {}};
    // Refused whoever asks: an administrator's open for writing would otherwise succeed.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return {ERROR_ACCESS_DENIED, {}};
    // The system's own answer to writing this file.
    Handle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return {GetLastError(), {}};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return {GetLastError(), {}};
    // Another name for the same file, or a link to it, must go on naming the new content.
    if (info.nNumberOfLinks > 1 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return saveInPlace(path, file, prefix, body);

    std::wstring temp;
    Handle replacement = createUnique(folderOf(path), L"save", temp);
    if (!replacement.valid())
        return saveInPlace(path, file, prefix, body);
    if (!takeOver(file, attributes, replacement)) {
        replacement.close();
        DeleteFileW(temp.c_str());
        return saveInPlace(path, file, prefix, body);
    }
    if (const DWORD error = writeContent(replacement, prefix, body)) {
        replacement.close();
        DeleteFileW(temp.c_str());
        return {error, {}};
    }
    replacement.close();
    file.close();
    if (ReplaceFileW(path.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return {};
    const DWORD replaceError = GetLastError();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // The replace gave up the old name before it failed: the new content takes it.
        if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
            return {};
        return {replaceError, {}};
    }
    DeleteFileW(temp.c_str());
    // The old file is as it was: write in place.
    Handle again(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!again.valid())
        return {replaceError, {}};
    return saveInPlace(path, again, prefix, body);
}

namespace {

FileIdentity identityOf(HANDLE opened)
{
    const Handle file(opened);
    BY_HANDLE_FILE_INFORMATION info{};
    FileIdentity id;
    if (!file.valid() || !GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return id;
    id.exists = true;
    id.volume = info.dwVolumeSerialNumber;
    id.index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    id.modified = static_cast<long long>((static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32)
                                         | info.ftLastWriteTime.dwLowDateTime);
    return id;
}

// No access asked for: only the attributes are read, whoever holds the file open.
constexpr DWORD AnyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

FileIdentity fileIdentity(const std::wstring& path)
{
    return identityOf(CreateFileW(path.c_str(), 0, AnyShare, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

FileIdentity fileIdentity(const std::string& ansiPath)
{
    return identityOf(CreateFileA(ansiPath.c_str(), 0, AnyShare, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

} // namespace platform::win
