#include <windows.h>

#include "base/sjis_text.h"
#include "platform/date_value.h"
#include "platform/dir_list.h"

namespace tavori::platform {
namespace {

// Last-write time in local time at the two-second precision of the packed file date.
double LocalFileTime(const FILETIME& utc) {
    FILETIME local{};
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    double value = 0;
    EncodeDateTime({1980 + (date >> 9), (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63,
                    (time & 31) * 2},
                   value);
    return value;
}

// Windows matches a pattern like "*.mbx" against the short 8.3 names too, so that
// "Work.mbxold" (short name WORKMB~1.MBX) would be listed as a mailbox. Only long names count.
bool LongNameMatches(const std::string& pattern, const char* name) {
    if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0 ||
        pattern.find_first_of("*?", 1) != std::string::npos)
        return true;
    const std::string suffix = UpperAscii(pattern.substr(1));
    const std::string upper = UpperAscii(name);
    return upper.size() >= suffix.size() &&
           upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::vector<DirEntry> ListEntries(const std::string& folder, const std::string& pattern,
                                  bool withDirectories) {
    std::vector<DirEntry> entries;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((folder + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        const bool isDir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDir && !withDirectories) continue;
        if (!LongNameMatches(pattern, data.cFileName)) continue;
        DirEntry entry;
        entry.name = data.cFileName;
        entry.directory = isDir;
        entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        entry.lastWrite = LocalFileTime(data.ftLastWriteTime);
        entries.push_back(std::move(entry));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return entries;
}

}  // namespace tavori::platform
