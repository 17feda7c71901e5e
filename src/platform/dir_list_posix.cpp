#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <time.h>

#include <memory>

#include "base/errors.h"
#include "platform/date_value.h"
#include "platform/dir_list.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

bool Matches(const std::string& pattern, const char* name) {
    if (pattern == "*.*" || pattern == "*") return true;  // as on Windows: names without a dot too
    return fnmatch(pattern.c_str(), name, FNM_CASEFOLD) == 0;
}

double LocalFileTime(time_t t) {
    struct tm local {};
    localtime_r(&t, &local);
    double value = 0;
    // File dates keep seconds in steps of two.
    EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                    local.tm_min, local.tm_sec / 2 * 2},
                   value);
    return value;
}

}  // namespace

std::vector<DirEntry> ListEntries(const std::string& folder, const std::string& pattern,
                                  bool withDirectories) {
    std::vector<DirEntry> entries;
    const std::string native = SjisToUtf8(folder);
    const std::string nativePattern = SjisToUtf8(pattern);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(native.c_str()), closedir);
    if (!dir) return entries;
    while (const dirent* e = readdir(dir.get())) {
        if (e->d_name[0] == '.') continue;  // hidden, and "." and ".."
        if (!Matches(nativePattern, e->d_name)) continue;
        struct stat st {};
        if (::stat((native + e->d_name).c_str(), &st) != 0) continue;
        const bool isDir = S_ISDIR(st.st_mode);
        if (isDir && !withDirectories) continue;
        if (!isDir && !S_ISREG(st.st_mode)) continue;
        DirEntry entry;
        std::size_t lacking = 0;
        entry.name = Utf8ToSjisExact(e->d_name, "\x81\xAC", lacking);  // 〓
        entry.unopenable = lacking > 0;
        entry.directory = isDir;
        entry.size = isDir ? 0 : static_cast<std::uint64_t>(st.st_size);
        entry.lastWrite = LocalFileTime(st.st_mtime);
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace tavori::platform
