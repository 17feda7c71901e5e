#pragma once
// Files as the core uses them: block reading of an existing file, and text files created anew
// for writing. Paths are Shift-JIS text like everything else in the core; the platform
// translates them for the operating system.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavori::platform {

// The identity of a file or folder: device and inode, or volume serial and file index on
// Windows. Two paths with the same identity reach the same file, through links too.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileId& other) const {
        return volume == other.volume && index == other.index;
    }
};

// What tells a reader that a file is still the one it read before: which file, its size and
// the time of its last write (in the system's own units).
struct FileState {
    FileId id;
    std::uint64_t size = 0;
    std::int64_t written = 0;
    bool operator==(const FileState& other) const {
        return id == other.id && size == other.size && written == other.written;
    }
    bool operator!=(const FileState& other) const { return !(*this == other); }
};

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

    // Reads up to n bytes into dest; returns how many were read, 0 only at the end. Small
    // reads are served from blocks of kBlockBytes, so a reader that takes a few kilobytes at a
    // time does not cost the system a call for each; reads of a block or more go to the
    // system directly. The reading is the caller's thread's: a reader that wants it done
    // meanwhile reads on a thread of its own.
    std::size_t Read(char* dest, std::size_t n);
    static constexpr std::size_t kBlockBytes = 256 * 1024;
    std::uint64_t Size() const;  // the size in bytes at this moment
    bool AtEnd() const;          // every byte up to the size has been read
    const std::string& Path() const { return path_; }

    FileState State() const;  // of the open file, now; throws IoError
    // From now on the file must stay as state says (a job that reads a file twice and relies
    // on the second reading seeing the bytes of the first): it is compared now and after every
    // read from the system, before the bytes read are used. A difference is an IoError
    // PathError(path, changed).
    void Expect(const FileState& state, std::string changed);

  private:
    friend class FolderBound;  // asks the system where the open file lies
    InputFile(std::intptr_t handle, std::string path);
    std::size_t ReadRaw(char* dest, std::size_t n);      // one read of the system; throws IoError
    std::size_t ReadChecked(char* dest, std::size_t n);  // ReadRaw, then the expected state
    void SizeAndWritten(std::uint64_t& size, std::int64_t& written) const;  // throws IoError
    std::intptr_t handle_;
    std::string path_;
    std::unique_ptr<char[]> ahead_;  // bytes read from the system, not yet taken
    std::size_t aheadPos_ = 0, aheadEnd_ = 0;
    std::size_t aheadSize_ = kBlockBytes;  // of ahead_: less for a small file
    bool started_ = false;
    std::uint64_t position_ = 0;           // bytes taken by the reader
    bool eof_ = false;                     // the system had nothing more
    mutable std::uint64_t knownSize_ = 0;  // the size last seen; the end is asked of the system
                                           // only once the reading reaches it
    std::optional<FileState> expected_;
    std::string changed_;
};

// A file created anew (an existing file of that name is emptied) and written in order.
// Write hands a record to the operating system at once. Gather collects records into blocks
// of up to kBlockBytes, handed over whole when the next record would not fit, and by Flush,
// Close and the destructor: a crash of this program can lose at most one block, an error or
// a stop that flushes loses nothing. A block holds whole records only, and when handing one
// over fails (disk full), as many of its records as the disk takes are written one by one;
// then the file is cut back to its last whole record and closed, so it never ends inside a
// record. Only regular files are created or emptied.
// The system calls of an OutputFile that a test can make fail: creating the file, handing
// bytes over for Write and for a Gather whose block is full (kWrite), handing over what was
// gathered for Flush, Close and the destructor (kFlush), and closing the handle.
enum class FileOp { kCreate, kWrite, kFlush, kClose };

// Called before each of those calls with the file's path and the bytes to hand over (0 for
// create and close); true makes the call fail as on a full disk: half of the bytes reach the
// file, then the write fails and takes its way of failure. For tests only: none by default,
// and not to be changed while a file is being written on another thread.
using FileFaultHook = std::function<bool(FileOp op, const std::string& path, std::size_t bytes)>;
void SetFileFaultHook(FileFaultHook hook);
bool FileFaultInjected(FileOp op, const std::string& path, std::size_t bytes = 0);
// The system's reason given for a fault made by the hook.
inline constexpr const char* kInjectedFaultReason = "試験用の障害 (ディスクがいっぱいです)";

class OutputFile {
  public:
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    static std::unique_ptr<OutputFile> Create(const std::string& path);  // throws IoError
    // The file opened for writing but not emptied yet (created when missing), so that a caller
    // can compare its identity with the files it must not harm before anything is lost; then
    // Empty makes it what Create gives, or Discard gives it up.
    static std::unique_ptr<OutputFile> Open(const std::string& path);  // throws IoError
    FileId Identity() const;                                           // throws IoError
    void Empty();                                                      // throws IoError
    // Closes the file and removes it again when Open created it; an existing file keeps its
    // content. Ignores errors: it is the way out of a refused run.
    void Discard();
    ~OutputFile();  // hands over what was gathered and closes, ignoring errors
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    void Write(std::string_view record);   // throws IoError (disk full, ...), see above
    void Gather(std::string_view record);  // likewise, when a block is handed over
    // One record given in pieces, gathered as if joined, without joining them first.
    void Gather(std::initializer_list<std::string_view> pieces);
    void Flush();  // hands over what was gathered
    void Close();
    const std::string& Path() const { return path_; }
    // The records the system has: all of them whole, also after a write that failed.
    std::uint64_t RecordsWritten() const { return records_; }

  private:
    OutputFile(std::intptr_t handle, std::string path);
    // What each system provides: all bytes written (false with the system's reason if not),
    // the file cut back to length_ with the next write going there, the handle closed.
    bool Put(std::string_view bytes, std::string& reason);
    bool CutBack();
    bool CloseHandleNow(std::string& reason);
    bool PutChecked(std::string_view bytes, FileOp op, std::string& reason);  // via the hook
    bool CloseChecked(std::string& reason);
    void PutRecord(std::string_view record, FileOp op = FileOp::kWrite);  // throws via FailWrite
    void HandOver(FileOp op = FileOp::kWrite);
    [[noreturn]] void FailWrite(std::string reason);

    void CloseAndRemoveCreated();  // the file Open made, by the path the name reached

    std::intptr_t handle_;
    std::string path_;
    bool created_ = false;      // Open made the file: Discard removes it
    std::uint64_t length_ = 0;  // bytes with the system, all of them whole records
    std::uint64_t records_ = 0;
    bool open_ = true;
    std::string block_;              // gathered records not yet handed over
    std::vector<std::size_t> ends_;  // where each record in block_ ends
};

// True when path names an existing regular file (not a folder, not a device).
bool IsRegularFile(const std::string& path);

// What a path names, found without opening it (a FIFO would block an open).
enum class FileKind { kMissing, kRegular, kFolder, kOther };
FileKind KindOf(const std::string& path);  // IoError when the system cannot tell

std::optional<FileId> IdentityOf(const std::string& path);  // nullopt when it does not exist

// True when the two paths reach the same file: the same identity where both exist, else the
// full paths compared as the file system compares names (letter case ignored on Windows).
bool SameFile(const std::string& a, const std::string& b);

// The two paths resolved as the system would resolve them to create the file, compared as the
// file system compares names (for paths that do not exist yet): the folder by its real path
// (links and ".." followed as the system follows them), the name after it, and a final link
// that leads nowhere yet followed to the file it would create.
bool SameFullPath(const std::string& a, const std::string& b);

// True when path, with every link and junction on its way followed, lies inside folder (also
// resolved). False when either does not exist.
bool IsInsideFolder(const std::string& path, const std::string& folder);

// IsInsideFolder for many paths against one folder, which is resolved once, when this is made:
// every resolving asks the system for the whole chain of folders, and under Wine each such
// question is a round trip to its server.
class FolderBound {
  public:
    explicit FolderBound(const std::string& folder);
    bool Holds(const std::string& path) const;  // false when path or the folder does not exist
    // The same of a file already open: where the system can tell, of the very file that is
    // read (no link can be swapped in between), and without opening it once more.
    bool Holds(const InputFile& file) const;

  private:
    std::string resolved_;  // the folder's resolved path with a final separator, or empty
};

// The error for a path that exists but is no regular file: it says what the path is.
std::string NotRegularFileMessage(const std::string& path, FileKind kind);

// The separator between folder names in paths of this system ("\\" on Windows, "/" else).
char FolderSeparator();

}  // namespace tavori::platform
