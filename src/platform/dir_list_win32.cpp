#include <windows.h>

#include <algorithm>

#include "base/sjis_text.h"
#include "platform/date_value.h"
#include "platform/dir_list.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

constexpr UINT kSjisCodePage = 932;

std::wstring ToWide(UINT codePage, const std::string& text) {
    const int n =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            n);
    return wide;
}

std::string WideToUtf8(const wchar_t* wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(n, 1)), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);  // the NUL
    return utf8;
}

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
    // Listed by the wide names: the code page's names of a Korean or emoji folder are "???",
    // which name no file, and the user would see a folder that is not there.
    WIN32_FIND_DATAW data{};
    const std::wstring query = ToWide(kSjisCodePage, folder + pattern);
    HANDLE find = FindFirstFileW(query.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        const bool isDir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDir && !withDirectories) continue;
        DirEntry entry;
        std::size_t lacking = 0;
        entry.name = Utf8ToSjisExact(WideToUtf8(data.cFileName), "\x81\xAC", lacking);  // 〓
        entry.unopenable = lacking > 0;
        if (!LongNameMatches(pattern, entry.name.c_str())) continue;
        entry.directory = isDir;
        entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        entry.lastWrite = LocalFileTime(data.ftLastWriteTime);
        entries.push_back(std::move(entry));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

}  // namespace tavori::platform
