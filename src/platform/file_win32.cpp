#include <windows.h>

#include "base/errors.h"
#include "base/paths.h"
#include "platform/file.h"
#include "platform/system_files.h"
#include "platform/win32_util.h"

namespace tavori::platform {
namespace win32 {

std::string ErrorText(DWORD code) {
    char* text = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result;
    if (n != 0 && text != nullptr) result.assign(text, n);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && static_cast<unsigned char>(result.back()) <= ' ') result.pop_back();
    if (result.empty()) result = "エラー " + std::to_string(code);
    return result;
}

}  // namespace win32

namespace {

HANDLE H(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

using system_files::Fail;

// A handle that is no disk file (a console, a pipe, a device) is closed and refused.
void RequireDisk(HANDLE h, const std::string& path) {
    if (GetFileType(h) == FILE_TYPE_DISK) return;
    CloseHandle(h);
    throw IoError(NotRegularFileMessage(path, FileKind::kOther));
}

// The last part of a path names a device (CON, NUL, COM1, LPT1, ..., with any extension):
// Windows opens the device whatever folder stands before it.
bool IsDeviceName(const std::string& path) {
    std::size_t start = path.find_last_of("\\/:");
    start = start == std::string::npos ? 0 : start + 1;
    std::string base = path.substr(start, path.find('.', start) - start);
    while (!base.empty() && (base.back() == ' ')) base.pop_back();
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

std::string FullPathOf(const std::string& path) {
    char buffer[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer) return path;
    return std::string(buffer, n);
}

// The final path of an open file or folder, every link and junction followed.
bool FinalPathOf(HANDLE h, std::string& result) {
    char buffer[MAX_PATH * 4];
    const DWORD n = GetFinalPathNameByHandleA(h, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= sizeof buffer) return false;
    result.assign(buffer, n);
    return true;
}

// The same of an existing file or folder named by path.
bool FinalPath(const std::string& path, std::string& result) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool found = FinalPathOf(h, result);
    CloseHandle(h);
    return found;
}

}  // namespace

namespace system_files {

bool OpenForReading(const std::string& path, std::intptr_t& handle) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
        SetLastError(code);
        Fail(path, "を開けません");
    }
    RequireDisk(h, path);
    handle = reinterpret_cast<std::intptr_t>(h);
    return true;
}

std::intptr_t OpenForWriting(const std::string& path, bool& made) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail(path, "を作成できません");
    made = GetLastError() != ERROR_ALREADY_EXISTS;
    RequireDisk(h, path);
    return reinterpret_cast<std::intptr_t>(h);
}

void Fail(const std::string& path, const char* predicate) {
    const DWORD code = GetLastError();
    throw IoError(PathError(path, predicate, win32::ErrorText(code)));
}

}  // namespace system_files

InputFile::~InputFile() { CloseHandle(H(handle_)); }

std::size_t InputFile::ReadRaw(char* dest, std::size_t n) {
    DWORD got = 0;
    DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    if (!ReadFile(H(handle_), dest, want, &got, nullptr)) Fail(path_, "を読み込めません");
    return got;
}

std::uint64_t InputFile::Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(H(handle_), &size)) Fail(path_, "のサイズを取得できません");
    return static_cast<std::uint64_t>(size.QuadPart);
}

FileState InputFile::State() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(H(handle_), &info)) Fail(path_, "を調べられません");
    return FileState{
        FileId{info.dwVolumeSerialNumber,
               (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow},
        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
        static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
            info.ftLastWriteTime.dwLowDateTime)};
}

void InputFile::SizeAndWritten(std::uint64_t& size, std::int64_t& written) const {
    size = Size();
    FILETIME last{};
    if (!GetFileTime(H(handle_), nullptr, nullptr, &last)) Fail(path_, "を調べられません");
    written = static_cast<std::int64_t>((static_cast<std::uint64_t>(last.dwHighDateTime) << 32) |
                                        last.dwLowDateTime);
}

FileId OutputFile::Identity() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(H(handle_), &info)) Fail(path_, "を調べられません");
    return FileId{info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// By the final path of the handle: a link that led nowhere stays, the file made through it
// goes. (A handle with the right to delete would keep readers without FILE_SHARE_DELETE out
// of every output while it is written.)
void OutputFile::CloseAndRemoveCreated() {
    wchar_t final[MAX_PATH * 2];
    const DWORD n =
        GetFinalPathNameByHandleW(H(handle_), final, MAX_PATH * 2, FILE_NAME_NORMALIZED);
    CloseHandle(H(handle_));
    if (n > 0 && n < MAX_PATH * 2) DeleteFileW(final);
}

bool OutputFile::Put(std::string_view bytes, std::string& reason) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        DWORD put = 0;
        const std::size_t left = bytes.size() - written;
        const DWORD want = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        if (!WriteFile(H(handle_), bytes.data() + written, want, &put, nullptr) || put == 0) {
            DWORD code = GetLastError();
            if (code == ERROR_SUCCESS) code = ERROR_DISK_FULL;
            reason = win32::ErrorText(code);
            return false;
        }
        written += put;
    }
    return true;
}

bool OutputFile::CutBack() {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(length_);
    return SetFilePointerEx(H(handle_), at, nullptr, FILE_BEGIN) && SetEndOfFile(H(handle_));
}

bool OutputFile::CloseHandleNow(std::string& reason) {
    if (CloseHandle(H(handle_))) return true;
    reason = win32::ErrorText(GetLastError());
    return false;
}

bool IsRegularFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

FileKind KindOf(const std::string& path) {
    if (IsDeviceName(path)) return FileKind::kOther;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
            code == ERROR_INVALID_NAME || code == ERROR_BAD_NETPATH || code == ERROR_BAD_PATHNAME)
            return FileKind::kMissing;
        Fail(path, "を調べられません");  // the code is still the last error
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::kFolder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return FileKind::kOther;
    return FileKind::kRegular;
}

std::optional<FileId> IdentityOf(const std::string& path) {
    if (IsDeviceName(path)) return std::nullopt;
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!known) return std::nullopt;
    return FileId{info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// The file that creating path would make: the full path with its folder replaced by the
// folder's final path where it exists, so that ".." after a link or junction leads where the
// system takes it.
std::string CreatedPathOf(const std::string& path) {
    const std::string full = FullPathOf(path);
    const std::size_t slash = full.find_last_of('\\');
    if (slash == std::string::npos || slash + 1 == full.size()) return full;
    std::string folder;
    if (!FinalPath(full.substr(0, slash + 1), folder)) return full;
    return WithFinalSeparator(folder, '\\') + full.substr(slash + 1);
}

bool SameFullPath(const std::string& a, const std::string& b) {
    return lstrcmpiA(CreatedPathOf(a).c_str(), CreatedPathOf(b).c_str()) == 0;
}

FolderBound::FolderBound(const std::string& folder) {
    std::string final;
    if (FinalPath(folder, final))
        resolved_ = final.empty() ? "\\" : WithFinalSeparator(final, '\\');
}

namespace {

bool StartsWithFolder(const std::string& finalPath, const std::string& folder) {
    return finalPath.size() > folder.size() &&
           lstrcmpiA(finalPath.substr(0, folder.size()).c_str(), folder.c_str()) == 0;
}

}  // namespace

bool FolderBound::Holds(const std::string& path) const {
    std::string finalPath;
    return !resolved_.empty() && FinalPath(path, finalPath) &&
           StartsWithFolder(finalPath, resolved_);
}

bool FolderBound::Holds(const InputFile& file) const {
    std::string finalPath;
    return !resolved_.empty() && FinalPathOf(H(file.handle_), finalPath) &&
           StartsWithFolder(finalPath, resolved_);
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
    return FolderBound(folder).Holds(path);
}

char FolderSeparator() { return '\\'; }

}  // namespace tavori::platform
