#pragma once
// Files as the core uses them: block reading of an existing file, and text files created anew
// for writing. Paths are Shift-JIS text like everything else in the core; the platform
// translates them for the operating system.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavori::platform {

// A file opened for reading, read in blocks from the start to the end.
class InputFile {
  public:
    // The open file, or nullptr when nothing of that path exists (a missing file is not an
    // error for the callers). Throws IoError when the file cannot be opened, and when the path
    // names a folder, a FIFO or a device: only regular files are read, and a FIFO is never
    // opened in a way that waits for a writer.
    static std::unique_ptr<InputFile> OpenIfExists(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Reads up to n bytes into dest; returns how many were read, 0 only at the end.
    std::size_t Read(char* dest, std::size_t n);
    std::uint64_t Size() const;  // the size in bytes at this moment
    bool AtEnd() const;          // every byte up to the size has been read
    const std::string& Path() const { return path_; }

  private:
    InputFile(std::intptr_t handle, std::string path);
    std::intptr_t handle_;
    std::string path_;
    std::uint64_t position_ = 0;
    bool eof_ = false;                     // a read returned nothing
    mutable std::uint64_t knownSize_ = 0;  // the size last seen; the end is asked of the system
                                           // only once the reading reaches it
};

// A file created anew (an existing file of that name is emptied) and written in order.
// Write hands every byte to the operating system at once, so a crash of this program loses
// nothing that was written; Flush asks the system to put it on disk. One Write is one record:
// when it fails (disk full), the file is cut back to its length before that Write and closed,
// so the file holds whole records only. Only regular files are created or emptied.
class OutputFile {
  public:
    static std::unique_ptr<OutputFile> Create(const std::string& path);  // throws IoError
    ~OutputFile();  // closes the file, ignoring errors (call Close to see them)
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(std::string_view bytes);  // throws IoError (disk full, ...), see above
    void Flush();
    void Close();
    const std::string& Path() const { return path_; }

  private:
    OutputFile(std::intptr_t handle, std::string path);
    std::intptr_t handle_;
    std::string path_;
    std::uint64_t length_ = 0;  // bytes written, all of them whole records
    bool open_ = true;
};

// True when path names an existing regular file (not a folder, not a device).
bool IsRegularFile(const std::string& path);

// What a path names, found without opening it (a FIFO would block an open).
enum class FileKind { kMissing, kRegular, kFolder, kOther };
FileKind KindOf(const std::string& path);  // IoError when the system cannot tell

// The identity of a file or folder: device and inode, or volume serial and file index on
// Windows. Two paths with the same identity reach the same file, through links too.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileId& other) const {
        return volume == other.volume && index == other.index;
    }
};
std::optional<FileId> IdentityOf(const std::string& path);  // nullopt when it does not exist

// True when the two paths reach the same file: the same identity where both exist, else the
// full paths compared as the file system compares names (letter case ignored on Windows).
bool SameFile(const std::string& a, const std::string& b);

// The two paths, made absolute, compared as the file system compares names (for paths that
// do not exist yet).
bool SameFullPath(const std::string& a, const std::string& b);

// True when path, with every link and junction on its way followed, lies inside folder (also
// resolved). False when either does not exist.
bool IsInsideFolder(const std::string& path, const std::string& folder);

// The error for a path that exists but is no regular file: it says what the path is.
std::string NotRegularFileMessage(const std::string& path, FileKind kind);

// The separator between folder names in paths of this system ("\\" on Windows, "/" else).
char FolderSeparator();

}  // namespace tavori::platform
