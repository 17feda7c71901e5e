#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

std::string Reason(int err) { return std::strerror(err); }

std::string NativePath(const std::string& path) { return SjisToUtf8(path); }

}  // namespace

InputFile::InputFile(std::intptr_t handle, std::string path)
    : handle_(handle), path_(std::move(path)) {}

std::unique_ptr<InputFile> InputFile::OpenIfExists(const std::string& path) {
    const std::string native = NativePath(path);
    int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return nullptr;
        throw IoError(FileErrorMessage("ファイルを開けません", path, Reason(errno)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        throw IoError(FileErrorMessage("ファイルを開けません", path, Reason(err)));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<InputFile>(new InputFile(fd, path));
}

InputFile::~InputFile() { ::close(static_cast<int>(handle_)); }

std::size_t InputFile::Read(char* dest, std::size_t n) {
    for (;;) {
        ssize_t got = ::read(static_cast<int>(handle_), dest, n);
        if (got >= 0) {
            if (got == 0 && n > 0) eof_ = true;
            position_ += static_cast<std::uint64_t>(got);
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR)
            throw IoError(FileErrorMessage("ファイルを読み込めません", path_, Reason(errno)));
    }
}

std::uint64_t InputFile::Size() const {
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0)
        throw IoError(FileErrorMessage("ファイルのサイズを取得できません", path_, Reason(errno)));
    return static_cast<std::uint64_t>(st.st_size);
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
    const std::string native = NativePath(path);
    int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw IoError(FileErrorMessage("ファイルを作成できません", path, Reason(errno)));
    return std::unique_ptr<OutputFile>(new OutputFile(fd, path));
}

OutputFile::~OutputFile() {
    if (open_) ::close(static_cast<int>(handle_));
}

void OutputFile::Write(std::string_view bytes) {
    if (!open_) throw IoError(FileErrorMessage("ファイルが開かれていません", path_, ""));
    while (!bytes.empty()) {
        ssize_t put = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR) continue;
            throw IoError(FileErrorMessage("ファイルに書き込めません", path_, Reason(errno)));
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
}

void OutputFile::Flush() {
    // Write leaves nothing in this process; the bytes are with the system already.
}

void OutputFile::Close() {
    if (!open_) return;
    open_ = false;
    if (::close(static_cast<int>(handle_)) != 0)
        throw IoError(FileErrorMessage("ファイルを閉じられません", path_, Reason(errno)));
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

char FolderSeparator() { return '/'; }

}  // namespace tavori::platform
