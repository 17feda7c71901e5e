#include <windows.h>

#include "platform/errors.h"
#include "platform/file.h"
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

[[noreturn]] void Fail(const char* what, const std::string& path) {
    DWORD code = GetLastError();
    throw IoError(FileErrorMessage(what, path, win32::ErrorText(code)));
}

}  // namespace

InputFile::InputFile(std::intptr_t handle, std::string path)
    : handle_(handle), path_(std::move(path)) {}

std::unique_ptr<InputFile> InputFile::OpenIfExists(const std::string& path) {
    if (!IsRegularFile(path)) return nullptr;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return nullptr;
        SetLastError(code);
        Fail("ファイルを開けません", path);
    }
    return std::unique_ptr<InputFile>(new InputFile(reinterpret_cast<std::intptr_t>(h), path));
}

InputFile::~InputFile() { CloseHandle(H(handle_)); }

std::size_t InputFile::Read(char* dest, std::size_t n) {
    DWORD got = 0;
    DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    if (!ReadFile(H(handle_), dest, want, &got, nullptr)) Fail("ファイルを読み込めません", path_);
    if (got == 0 && n > 0) eof_ = true;
    position_ += got;
    return got;
}

std::uint64_t InputFile::Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(H(handle_), &size)) Fail("ファイルのサイズを取得できません", path_);
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool InputFile::AtEnd() const {
    if (eof_) return true;
    if (position_ < knownSize_) return false;
    knownSize_ = Size();
    return position_ >= knownSize_;
}

OutputFile::OutputFile(std::intptr_t handle, std::string path)
    : handle_(handle), path_(std::move(path)) {}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail("ファイルを作成できません", path);
    return std::unique_ptr<OutputFile>(new OutputFile(reinterpret_cast<std::intptr_t>(h), path));
}

OutputFile::~OutputFile() {
    if (open_) CloseHandle(H(handle_));
}

void OutputFile::Write(std::string_view bytes) {
    if (!open_) throw IoError(FileErrorMessage("ファイルが開かれていません", path_, ""));
    while (!bytes.empty()) {
        DWORD put = 0;
        DWORD want = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        if (!WriteFile(H(handle_), bytes.data(), want, &put, nullptr))
            Fail("ファイルに書き込めません", path_);
        bytes.remove_prefix(put);
    }
}

void OutputFile::Flush() {
    // WriteFile keeps nothing in this process; the bytes are with the system already.
}

void OutputFile::Close() {
    if (!open_) return;
    open_ = false;
    if (!CloseHandle(H(handle_))) Fail("ファイルを閉じられません", path_);
}

bool IsRegularFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

char FolderSeparator() { return '\\'; }

}  // namespace tavori::platform
