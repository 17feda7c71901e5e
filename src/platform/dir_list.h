#pragma once
// Listing a folder by a wildcard pattern, as the folder tree and the folder list need it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/file.h"

namespace tavori::platform {

struct DirEntry {
    std::string name;  // without the folder
    bool directory = false;
    std::uint64_t size = 0;
    double lastWrite = 0;  // local date-time value, at the two-second precision of file dates
    // The name holds characters that Shift-JIS lacks (a Korean or emoji name): they are "〓" in
    // name, and the entry cannot be opened by any name this program can write.
    bool unopenable = false;
};

// The entries of folder (ending in a folder separator) that match pattern ("*.*" matches every
// name, "*.mbx" the names ending in .mbx in any letter case), in the order the system gives
// them. Hidden and system entries are never listed (on POSIX the names beginning with "."),
// folders only when asked for. A folder that cannot be listed gives no entries. An entry whose
// name Shift-JIS cannot hold is listed all the same, marked unopenable.
std::vector<DirEntry> ListEntries(const std::string& folder, const std::string& pattern,
                                  bool withDirectories);

// The listing as a service, so that the folder tree can be read from a made-up file system too.
class DirectoryLister {
  public:
    virtual ~DirectoryLister() = default;
    virtual std::vector<DirEntry> List(const std::string& folder, const std::string& pattern,
                                       bool withDirectories) const = 0;
    // The identity of the folder that path reaches, through links and junctions; nullopt when
    // it cannot be found. Two folder paths with one identity are one folder.
    virtual std::optional<FileId> Identity(const std::string& folder) const = 0;
};

// The file system of this computer, through ListEntries.
const DirectoryLister& SystemDirectories();

}  // namespace tavori::platform
