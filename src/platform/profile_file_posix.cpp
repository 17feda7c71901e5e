// The profile-string service of Windows, rebuilt over plain files: the same file text, the same
// reading rules, so a settings file moves between the two systems unchanged.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "base/sjis_text.h"
#include "platform/file.h"
#include "platform/profile_file.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

// The blanks the profile service drops around names and values; ^Z is the DOS end-of-file
// mark some old files carry.
bool IsBlank(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x1A;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

// A value as the reader hands it out: one pair of matching quotes taken off, whatever its
// length.
std::string Returned(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

struct Line {
    enum Kind { kOther, kSection, kKey } kind = kOther;  // kOther: blank line or comment
    std::string text;                                    // as in the file, without line end
    std::string name;                                    // of the section or the key
    std::string value;
    bool hasValue = false;  // a key line without "=" has none: it reads as missing
};

Line ParseLine(std::string text) {
    Line line;
    std::string_view s = TrimLeft(text);
    if (s.empty() || s.front() == ';') {
        line.text = std::move(text);
        return line;
    }
    const std::size_t close = s.rfind(']');
    if (s.front() == '[' && close != std::string_view::npos) {
        line.kind = Line::kSection;
        line.name = std::string(Trim(s.substr(1, close - 1)));
    } else {
        s = TrimRight(s);
        line.kind = Line::kKey;
        const std::size_t eq = s.find('=');
        line.name = std::string(TrimRight(s.substr(0, eq)));
        if (eq != std::string_view::npos) {
            line.hasValue = true;
            line.value = std::string(TrimLeft(s.substr(eq + 1)));
        }
    }
    line.text = std::move(text);
    return line;
}

// Lines end at CR LF, LF or CR.
std::vector<Line> ParseText(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(ParseLine(std::string(text.substr(start, end - start))));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
    std::string text;
    for (const Line& line : lines) text.append(line.text).append("\r\n");
    return text;
}

// Lines [first, end) of the first section of that name: first is its section line.
struct SectionRange {
    std::size_t first, end;
};

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view section) {
    section = Trim(section);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != Line::kSection || !SameName(lines[i].name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != Line::kSection) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

// Index of the section's first key of that name, or npos.
std::size_t FindKey(const std::vector<Line>& lines, SectionRange range, std::string_view key) {
    key = Trim(key);
    for (std::size_t i = range.first + 1; i < range.end; ++i)
        if (lines[i].kind == Line::kKey && SameName(lines[i].name, key)) return i;
    return std::string::npos;
}

std::string NativePath(const std::string& path) { return SjisToUtf8(path); }

bool ReadAll(int fd, std::string& text) {
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t put = ::write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

// The folder part of a native path ("." when there is none).
std::string FolderOf(const std::string& native) {
    const std::size_t slash = native.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : native.substr(0, slash);
}

class PosixProfileFile : public ProfileFile {
  public:
    explicit PosixProfileFile(const std::string& path) : native_(NativePath(path)) {}

    std::string ReadText(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const override {
        std::vector<Line> lines;
        if (Load(lines)) {
            if (auto range = FindSection(lines, section)) {
                const std::size_t i = FindKey(lines, *range, key);
                if (i != std::string::npos && lines[i].hasValue) return Returned(lines[i].value);
            }
        }
        // Windows drops the default's trailing spaces before it treats it as a value.
        std::string_view fallback = defaultValue;
        while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
        return Returned(fallback);
    }

    bool WriteText(const std::string& section, const std::string& key,
                   const std::string& value) override {
        std::vector<Line> lines;
        bool exists = false;
        if (!LoadForWriting(lines, exists)) return false;
        const std::string before = JoinLines(lines);
        // Leading blanks are dropped as Windows drops them; trailing ones stay in the file,
        // and both are lost on reading.
        const std::string stored(TrimLeft(value));
        std::optional<SectionRange> range = FindSection(lines, section);
        if (!range) {
            lines.push_back(ParseLine("[" + std::string(Trim(section)) + "]"));
            range = SectionRange{lines.size() - 1, lines.size()};
        }
        const std::size_t i = FindKey(lines, *range, key);
        if (i != std::string::npos) {
            lines[i] = ParseLine(lines[i].name + "=" + stored);
        } else {
            // A new key goes after the section's last key, before the blank lines that part it
            // from the next section.
            std::size_t at = range->end;
            while (at > range->first + 1 && lines[at - 1].kind == Line::kOther &&
                   Trim(lines[at - 1].text).empty())
                --at;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                         ParseLine(std::string(Trim(key)) + "=" + stored));
        }
        const std::string after = JoinLines(lines);
        if (exists && after == before) return true;
        return Save(after);
    }

    std::vector<std::string> Keys(const std::string& section) const override {
        std::vector<std::string> keys;
        std::vector<Line> lines;
        if (!Load(lines)) return keys;
        const std::optional<SectionRange> range = FindSection(lines, section);
        if (!range) return keys;
        for (std::size_t i = range->first + 1; i < range->end; ++i)
            if (lines[i].kind == Line::kKey && lines[i].hasValue && !lines[i].name.empty())
                keys.push_back(lines[i].name);
        return keys;
    }

    bool EraseSection(const std::string& section) override {
        std::vector<Line> lines;
        bool exists = false;
        if (!LoadForWriting(lines, exists)) return false;
        bool changed = false;
        while (const std::optional<SectionRange> range = FindSection(lines, section)) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(range->first),
                        lines.begin() + static_cast<std::ptrdiff_t>(range->end));
            changed = true;
        }
        if (!changed) return true;
        return Save(JoinLines(lines));
    }

  private:
    // The file's lines; false when it cannot be read (a missing file is empty).
    bool Load(std::vector<Line>& lines) const {
        const int fd = ::open(native_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return errno == ENOENT;
        struct stat st {};
        std::string text;
        const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, text);
        ::close(fd);
        if (ok) lines = ParseText(text);
        return ok;
    }

    // As Windows does before a write: an existing file must open for reading and writing, a
    // new one needs its folder.
    bool LoadForWriting(std::vector<Line>& lines, bool& exists) const {
        const int fd = ::open(native_.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            if (errno != ENOENT) return false;
            struct stat st {};
            exists = false;
            return ::stat(FolderOf(native_).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        struct stat st {};
        std::string text;
        const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, text);
        ::close(fd);
        if (ok) lines = ParseText(text);
        exists = true;
        return ok;
    }

    // The whole new text goes to a file beside the old one, which it then replaces: a failure
    // at any point leaves the old file as it was, never half a file.
    bool Save(const std::string& text) const {
        std::string target = native_;
        if (char* real = ::realpath(native_.c_str(), nullptr)) {  // a link keeps pointing here
            target = real;
            std::free(real);
        }
        struct stat old {};
        const bool hadFile = ::stat(target.c_str(), &old) == 0;
        if (FileFaultInjected(FileOp::kCreate, native_)) return false;
        static std::atomic<unsigned> counter{0};
        std::string temp;
        int fd = -1;
        for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
            temp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST) return false;
        }
        if (fd < 0) return false;
        bool ok = FileFaultInjected(FileOp::kWrite, native_, text.size())
                      ? (WriteAll(fd, text.substr(0, text.size() / 2)), false)  // a full disk
                      : WriteAll(fd, text);
        if (ok && hadFile) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        if (ok) ok = !FileFaultInjected(FileOp::kFlush, native_) && ::fsync(fd) == 0;
        if (::close(fd) != 0 || FileFaultInjected(FileOp::kClose, native_)) ok = false;
        if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
        if (!ok) ::unlink(temp.c_str());
        return ok;
    }

    std::string native_;
};

}  // namespace

std::unique_ptr<ProfileFile> OpenProfileFile(const std::string& path) {
    return std::make_unique<PosixProfileFile>(path);
}

}  // namespace tavori::platform
