// Folder listing on the real file system: patterns, hidden entries, Japanese names, sizes over
// 4 GB and last-write times at the two-second precision of file dates.
#include "platform/dir_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/date_value.h"
#include "platform/file.h"
#include "platform/text_codec.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace tavori::platform {
namespace {

using test::ScratchDir;

// Folder and file helpers taking Shift-JIS paths, as the system's own code does.
void MakeFolder(const std::string& path) {
#ifdef _WIN32
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
#else
    ASSERT_EQ(::mkdir(SjisToUtf8(path).c_str(), 0755), 0) << path;
#endif
}

void MakeFile(const std::string& path, std::size_t size = 3) {
    auto out = OutputFile::Create(path);
    out->Write(std::string(size, 'x'));
    out->Close();
}

#ifdef _WIN32
void Hide(const std::string& path, bool system) {
    ASSERT_TRUE(
        SetFileAttributesA(path.c_str(), system ? FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_HIDDEN));
}
#endif

// Sets the last-write time to a local date and time.
void SetLocalWriteTime(const std::string& path, const DateTimeParts& p) {
#ifdef _WIN32
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(p.year);
    st.wMonth = static_cast<WORD>(p.month);
    st.wDay = static_cast<WORD>(p.day);
    st.wHour = static_cast<WORD>(p.hour);
    st.wMinute = static_cast<WORD>(p.minute);
    st.wSecond = static_cast<WORD>(p.second);
    FILETIME local{}, utc{};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &utc));
    CloseHandle(h);
#else
    struct tm local {};
    local.tm_year = p.year - 1900;
    local.tm_mon = p.month - 1;
    local.tm_mday = p.day;
    local.tm_hour = p.hour;
    local.tm_min = p.minute;
    local.tm_sec = p.second;
    local.tm_isdst = -1;
    const struct timeval times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
    ASSERT_EQ(::utimes(SjisToUtf8(path).c_str(), times), 0);
#endif
}

// Makes a file of size bytes without writing them (a sparse file where the system allows).
void SetSize(const std::string& path, std::uint64_t size) {
#ifdef _WIN32
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    EXPECT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
#else
    ASSERT_EQ(::truncate(SjisToUtf8(path).c_str(), static_cast<off_t>(size)), 0);
#endif
}

// The names listed, sorted; "." and ".." (which Windows lists) left out.
std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries)
        if (e.name != "." && e.name != "..") names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

const DirEntry* Find(const std::vector<DirEntry>& entries, const std::string& name) {
    for (const auto& e : entries)
        if (e.name == name) return &e;
    return nullptr;
}

TEST(ListEntries, PatternsMatchAsTheMailClientNamesFiles) {
    ScratchDir dir;
    for (const char* name :
         {"Work.mbx", "NOTES.MBX", "Notes.old.mbx", "Work.mbxold", "mbx", "readme", "a.txt"})
        MakeFile(dir.File(name));
    MakeFolder(dir.File("Folder"));
    MakeFolder(dir.File("Box.mbx"));
    struct Case {
        const char* pattern;
        bool withDirectories;
        std::vector<std::string> expected;
        const char* reason;
    };
    const Case cases[] = {
        {"*.mbx",
         false,
         {"NOTES.MBX", "Notes.old.mbx", "Work.mbx"},
         "only names ending in .mbx, any letter case; folders left out"},
        {"*.mbx",
         true,
         {"Box.mbx", "NOTES.MBX", "Notes.old.mbx", "Work.mbx"},
         "a folder named like a mailbox when folders are asked for"},
        {"*.*",
         true,
         {"Box.mbx", "Folder", "NOTES.MBX", "Notes.old.mbx", "Work.mbx", "Work.mbxold", "a.txt",
          "mbx", "readme"},
         "every name, also those without a dot"},
    };
    for (const auto& c : cases) {
        const auto names = Names(ListEntries(dir.Path(), c.pattern, c.withDirectories));
        std::vector<std::string> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected) << c.reason;
    }
    const auto all = ListEntries(dir.Path(), "*.*", true);
    ASSERT_NE(Find(all, "Folder"), nullptr);
    EXPECT_TRUE(Find(all, "Folder")->directory);
    EXPECT_FALSE(Find(all, "a.txt")->directory);
}

// A name Shift-JIS cannot hold is listed with 〓 for what it lacks and marked unopenable, in
// both builds: the user sees the folder that is there instead of "???" or nothing.
TEST(ListEntries, NamesShiftJisCannotHoldAreListedAsUnopenable) {
    ScratchDir dir;
    const std::filesystem::path root(reinterpret_cast<const char8_t*>(dir.Path().c_str()));
    std::filesystem::create_directory(root / u8"한국어");
    std::ofstream(root / u8"日記\U0001F600.mbx").put('x');
    MakeFolder(dir.File("日本"));
    const auto all = ListEntries(dir.Path(), "*.*", true);
    const struct {
        const char* name;
        bool directory, unopenable;
    } expected[] = {{"〓〓〓", true, true}, {"日記〓.mbx", false, true}, {"日本", true, false}};
    for (const auto& e : expected) {
        const DirEntry* entry = Find(all, e.name);
        ASSERT_NE(entry, nullptr) << e.name << " among " << testing::PrintToString(Names(all));
        EXPECT_EQ(entry->directory, e.directory) << e.name;
        EXPECT_EQ(entry->unopenable, e.unopenable) << e.name;
    }
    EXPECT_EQ(Names(ListEntries(dir.Path(), "*.mbx", false)),
              std::vector<std::string>{"日記〓.mbx"});
}

TEST(ListEntries, HiddenAndSystemEntriesAreNeverListed) {
    ScratchDir dir;
    MakeFile(dir.File("Shown.mbx"));
#ifdef _WIN32
    MakeFile(dir.File("Hidden.mbx"));
    MakeFile(dir.File("System.mbx"));
    MakeFolder(dir.File("HiddenFolder"));
    Hide(dir.File("Hidden.mbx"), false);
    Hide(dir.File("System.mbx"), true);
    Hide(dir.File("HiddenFolder"), false);
#else
    MakeFile(dir.File(".Hidden.mbx"));
    MakeFolder(dir.File(".HiddenFolder"));
#endif
    EXPECT_EQ(Names(ListEntries(dir.Path(), "*.mbx", false)),
              std::vector<std::string>{"Shown.mbx"});
    for (const auto& e : ListEntries(dir.Path(), "*.*", true))
        EXPECT_EQ(e.name.find("Hidden"), std::string::npos) << e.name;
}

TEST(ListEntries, JapaneseNamesComeBackAsShiftJis) {
    ScratchDir dir;
    // 表 and ソ end in the byte of "\"; the name must come back whole, not cut there.
    MakeFolder(dir.File("家族"));
    MakeFolder(dir.File("家族" + std::string(1, FolderSeparator()) + "ソフト表"));
    MakeFile(dir.File("家族" + std::string(1, FolderSeparator()) + "予定表.mbx"));
    const std::string inner = dir.File("家族" + std::string(1, FolderSeparator()));
    EXPECT_EQ(Names(ListEntries(dir.Path(), "*.*", true)), std::vector<std::string>{"家族"});
    EXPECT_EQ(Names(ListEntries(inner, "*.mbx", false)), std::vector<std::string>{"予定表.mbx"});
    const auto all = ListEntries(inner, "*.*", true);
    ASSERT_NE(Find(all, "ソフト表"), nullptr);
    EXPECT_TRUE(Find(all, "ソフト表")->directory);
}

TEST(ListEntries, SizeIsTheWhole64BitSize) {
    ScratchDir dir;
    MakeFile(dir.File("Big.mbx"));
    const std::uint64_t fiveGb = 5ull << 30;
    SetSize(dir.File("Big.mbx"), fiveGb + 1023);
    const auto entries = ListEntries(dir.Path(), "*.mbx", false);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].size, fiveGb + 1023);
}

TEST(ListEntries, LastWriteIsLocalTimeInStepsOfTwoSeconds) {
    struct Case {
        DateTimeParts set, expected;
        const char* reason;
    };
    const Case cases[] = {
        {{2024, 3, 5, 14, 7, 9}, {2024, 3, 5, 14, 7, 8}, "an odd second goes down to the even one"},
        {{2024, 3, 5, 14, 7, 8}, {2024, 3, 5, 14, 7, 8}, "an even second is kept"},
        {{2023, 12, 31, 23, 59, 59}, {2023, 12, 31, 23, 59, 58}, "no carry into the next year"},
        {{2024, 8, 10, 0, 0, 1}, {2024, 8, 10, 0, 0, 0}, "summer date, just after midnight"},
    };
    ScratchDir dir;
    MakeFile(dir.File("Box.mbx"));
    for (const auto& c : cases) {
        SetLocalWriteTime(dir.File("Box.mbx"), c.set);
        const auto entries = ListEntries(dir.Path(), "*.mbx", false);
        ASSERT_EQ(entries.size(), 1u);
        double expected = 0;
        ASSERT_TRUE(EncodeDateTime(c.expected, expected));
        EXPECT_DOUBLE_EQ(entries[0].lastWrite, expected) << c.reason;
    }
}

TEST(ListEntries, FolderThatCannotBeListedGivesNothing) {
    ScratchDir dir;
    MakeFile(dir.File("file"));
    const std::string sep(1, FolderSeparator());
    EXPECT_TRUE(ListEntries(dir.File("missing" + sep), "*.*", true).empty());
    EXPECT_TRUE(ListEntries(dir.File("file" + sep), "*.*", true).empty());  // a file, no folder
}

TEST(SystemDirectories, ListsThroughListEntries) {
    ScratchDir dir;
    MakeFile(dir.File("Work.mbx"));
    EXPECT_EQ(Names(SystemDirectories().List(dir.Path(), "*.mbx", false)),
              std::vector<std::string>{"Work.mbx"});
}

}  // namespace
}  // namespace tavori::platform
