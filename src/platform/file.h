#pragma once
// Files as the core uses them: block reading of an existing file, and text files created anew
// for writing. Paths are Shift-JIS text like everything else in the core; the platform
// translates them for the operating system.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tavori::platform {

// A file opened for reading, read in blocks from the start to the end.
class InputFile {
  public:
    // The open file, or nullptr when no regular file of that path exists (a missing file is
    // not an error for the callers). Throws IoError when the file exists but cannot be opened.
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
// nothing that was written; Flush asks the system to put it on disk.
class OutputFile {
  public:
    static std::unique_ptr<OutputFile> Create(const std::string& path);  // throws IoError
    ~OutputFile();  // closes the file, ignoring errors (call Close to see them)
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(std::string_view bytes);  // throws IoError (disk full, ...)
    void Flush();
    void Close();
    const std::string& Path() const { return path_; }

  private:
    OutputFile(std::intptr_t handle, std::string path);
    std::intptr_t handle_;
    std::string path_;
    bool open_ = true;
};

// True when path names an existing regular file (not a folder, not a device).
bool IsRegularFile(const std::string& path);

// The separator between folder names in paths of this system ("\\" on Windows, "/" else).
char FolderSeparator();

}  // namespace tavori::platform
