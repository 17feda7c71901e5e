#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "platform/file.h"
#include "platform/system_files.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

using system_files::Fail;

// The system's words for an error number.
std::string Reason(int err) { return std::strerror(err); }

std::string NativePath(const std::string& path) { return SjisToUtf8(path); }

FileKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::kRegular;
    if (S_ISDIR(mode)) return FileKind::kFolder;
    return FileKind::kOther;
}

// Opens without waiting: O_NONBLOCK keeps a FIFO that took the place of a checked file from
// blocking the open; the flag is cleared again once the descriptor is known to be a file.
int OpenRegular(const std::string& path, int flags, const char* failure) {
    const std::string native = NativePath(path);
    int fd = ::open(native.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) Fail(path, failure);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        Fail(path, failure);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw IoError(NotRegularFileMessage(path, KindOfMode(st.st_mode)));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// The absolute form of a path with "." and ".." taken away by their names: for a folder that
// does not exist, where the system has no real path to give.
std::string LexicalPath(const std::string& absolute) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= absolute.size()) {
        std::size_t end = absolute.find('/', start);
        if (end == std::string::npos) end = absolute.size();
        const std::string part = absolute.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string path;
    for (const std::string& part : parts) path.append("/").append(part);
    return path.empty() ? "/" : path;
}

std::string RealPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return LexicalPath(path);
    std::string result = real;
    std::free(real);
    return result;
}

// The file that creating native would make or open: the folder by its real path (".." after a
// link leads to the link target's parent, as the system takes it), and a final link followed
// to its target, which need not exist yet.
std::string FullPath(const std::string& native, int links = 0) {
    std::string absolute = native;
    if (absolute.empty() || absolute.front() != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) != nullptr)
            absolute = std::string(cwd).append("/") + absolute;
    }
    while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
    const std::size_t slash = absolute.rfind('/');
    const std::string name = absolute.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return RealPath(absolute);
    std::string folder = RealPath(slash == 0 ? "/" : absolute.substr(0, slash));
    if (folder == "/") folder.clear();
    std::string path = folder + "/" + name;
    struct stat st {};
    constexpr int kMostLinks = 40;  // the system's own bound on a chain of links
    if (links < kMostLinks && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) +
                                 1);
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n > 0 && static_cast<std::size_t>(n) < target.size()) {
            std::string to(target.data(), static_cast<std::size_t>(n));
            if (to.front() != '/') to = folder + "/" + to;
            return FullPath(to, links + 1);
        }
    }
    return path;
}

}  // namespace

namespace system_files {

bool OpenForReading(const std::string& path, std::intptr_t& handle) {
    handle = OpenRegular(path, O_RDONLY, "を開けません");
    return true;
}

std::intptr_t OpenForWriting(const std::string& path, bool& made) {
    made = true;  // open(2) does not tell; the caller's look before says
    return OpenRegular(path, O_WRONLY | O_CREAT, "を作成できません");
}

void Fail(const std::string& path, const char* predicate) {
    throw IoError(PathError(path, predicate, Reason(errno)));
}

}  // namespace system_files

InputFile::~InputFile() { ::close(static_cast<int>(handle_)); }

std::size_t InputFile::ReadRaw(char* dest, std::size_t n) {
    for (;;) {
        ssize_t got = ::read(static_cast<int>(handle_), dest, n);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) Fail(path_, "を読み込めません");
    }
}

std::uint64_t InputFile::Size() const {
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0) Fail(path_, "のサイズを取得できません");
    return static_cast<std::uint64_t>(st.st_size);
}

FileState InputFile::State() const {
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0) Fail(path_, "を調べられません");
    return FileState{
        FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
        static_cast<std::uint64_t>(st.st_size),
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

void InputFile::SizeAndWritten(std::uint64_t& size, std::int64_t& written) const {
    const FileState state = State();  // one fstat gives all of it
    size = state.size;
    written = state.written;
}

FileId OutputFile::Identity() const {
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0) Fail(path_, "を調べられません");
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// By the real path the name reaches now: a link that led nowhere stays, the file made through
// it goes.
void OutputFile::CloseAndRemoveCreated() {
    if (char* real = ::realpath(NativePath(path_).c_str(), nullptr)) {
        ::unlink(real);
        std::free(real);
    }
    ::close(static_cast<int>(handle_));
}

bool OutputFile::Put(std::string_view bytes, std::string& reason) {
    const int fd = static_cast<int>(handle_);
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t put = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            reason = Reason(put < 0 ? errno : ENOSPC);
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    return true;
}

bool OutputFile::CutBack() {
    const int fd = static_cast<int>(handle_);
    const auto at = static_cast<off_t>(length_);
    return ::ftruncate(fd, at) == 0 && ::lseek(fd, at, SEEK_SET) == at;
}

bool OutputFile::CloseHandleNow(std::string& reason) {
    if (::close(static_cast<int>(handle_)) == 0) return true;
    reason = Reason(errno);
    return false;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FileKind KindOf(const std::string& path) {
    struct stat st {};
    if (::stat(NativePath(path).c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return FileKind::kMissing;
        Fail(path, "を調べられません");
    }
    return KindOfMode(st.st_mode);
}

std::optional<FileId> IdentityOf(const std::string& path) {
    struct stat st {};
    if (::stat(NativePath(path).c_str(), &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool SameFullPath(const std::string& a, const std::string& b) {
    return FullPath(NativePath(a)) == FullPath(NativePath(b));
}

FolderBound::FolderBound(const std::string& folder) {
    char* real = ::realpath(NativePath(folder).c_str(), nullptr);
    if (real == nullptr) return;
    resolved_ = real;
    std::free(real);
    if (resolved_.back() != '/') resolved_ += '/';
}

bool FolderBound::Holds(const std::string& path) const {
    if (resolved_.empty()) return false;
    char* real = ::realpath(NativePath(path).c_str(), nullptr);
    const bool inside = real && std::strncmp(real, resolved_.c_str(), resolved_.size()) == 0;
    std::free(real);
    return inside;
}

// By its name: what the name leads to now, as for a path.
bool FolderBound::Holds(const InputFile& file) const { return Holds(file.Path()); }

bool IsInsideFolder(const std::string& path, const std::string& folder) {
    return FolderBound(folder).Holds(path);
}

char FolderSeparator() { return '/'; }

}  // namespace tavori::platform
