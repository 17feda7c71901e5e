// The profile service's reading and writing rules. The same rows run against Windows' own
// service (under Wine) and against the POSIX rebuild, so the two agree on every row.
#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace tavori::platform {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;
// 5000 bytes, 3000 of them double-byte (涛): past 4096 bytes in Shift-JIS, not in UTF-16 units.
const std::string kLong = std::string(3000, '\x93') + std::string(2000, 'x');

TEST(ProfileFile, ReadingRules) {
    struct Case {
        std::string file, section, key, defaultValue, expected;
        const char* reason;
    };
    const Case cases[] = {
        {"[S]\r\nk=v\r\n", "S", "k", "d", "v", "plain key line"},
        {"[S]\r\n  k  =  v w  \r\n", "S", "k", "d", "v w", "blanks around key and value go"},
        {"[S]\r\nk=\"v\"\r\n", "S", "k", "d", "v", "double quotes taken off"},
        {"[S]\r\nk='v'\r\n", "S", "k", "d", "v", "single quotes taken off"},
        {"[S]\r\nk= \" v \" \r\n", "S", "k", "d", " v ", "blanks inside the quotes stay"},
        {"[S]\r\nk=\"\"v\"\"\r\n", "S", "k", "d", "\"v\"", "only one pair of quotes goes"},
        {"[S]\r\nk=\"v\r\n", "S", "k", "d", "\"v", "a quote without its partner stays"},
        {"[S]\r\nk=v=w\r\n", "S", "k", "d", "v=w", "the key ends at the first ="},
        {"[S]\r\nk=\r\n", "S", "k", "d", "", "an empty value is a value"},
        {"[S]\r\nk=1\r\nk=2\r\n", "S", "k", "d", "1", "the first of two equal keys"},
        {"[s]\r\nK=v\r\n", "S", "k", "d", "v", "names without regard to ASCII case"},
        {"[ S ]\r\nk=v\r\n", "S", "k", "d", "v", "blanks around a section name go"},
        {"[S]\r\nk=\x81\x40v\x81\x40\r\n", "S", "k", "d", "\x81\x40v\x81\x40",
         "a full-width space is no blank"},
        {"[S]\r\n\x83\x41=v\r\n", "S", "\x83\x61", "d", "d",
         "second bytes of double-byte names are no letters"},
        {"[T]\r\nk=v\r\n", "S", "k", "d", "d", "missing section"},
        {"[T]\r\nk=1\r\n[S]\r\nk=2\r\n", "S", "k", "d", "2", "the key of its own section"},
        {"[S]\r\nk=1\r\n[s]\r\nk=2\r\n", "S", "k", "d", "1", "the first of two equal sections"},
        {"[S]\r\na=1\r\n[S]\r\nk=2\r\n", "S", "k", "d", "d", "a second equal section is not read"},
        {"[S]\r\nk\r\nk=2\r\n", "S", "k", "d", "d", "a line without = has no value but hides k=2"},
        {"[S]\r\n;k=1\r\nk=2\r\n", "S", "k", "d", "2", "a comment line is no key"},
        {"[S]\nk=v\n", "S", "k", "d", "v", "LF line ends read too"},
        {"[S]\r\nk=" + kLong + "\r\n", "S", "k", "d", kLong, "a long value, whole"},
        {"", "S", "k", "d  ", "d", "trailing spaces of the default go"},
        {"", "S", "k", "'d'", "d", "the default loses its quotes too"},
    };
    ScratchDir dir;
    int row = 0;
    for (const Case& c : cases) {
        const std::string path = dir.File("read" + std::to_string(row++) + ".ini");
        WriteFile(path, c.file);
        EXPECT_EQ(OpenProfileFile(path)->ReadText(c.section, c.key, c.defaultValue), c.expected)
            << c.reason;
    }
}

TEST(ProfileFile, KeysInFileOrder) {
    struct Case {
        std::string file;
        std::vector<std::string> expected;
        const char* reason;
    };
    const Case cases[] = {
        {"[S]\r\nb=1\r\na=2\r\nc=3\r\n", {"b", "a", "c"}, "file order, not sorted"},
        {"[A]\r\na=1\r\n[S]\r\ns=1\r\n[B]\r\nb=1\r\n", {"s"}, "only the section's own keys"},
        {"[s]\r\nk=1\r\n", {"k"}, "section name without regard to case"},
        {"[S]\r\nk=1\r\nK=2\r\n", {"k", "K"}, "a repeated name is listed again"},
        {"[S]\r\na=1\r\n[S]\r\nb=2\r\n", {"a"}, "a second equal section is not listed"},
        {"[S]\r\n\r\n;c=1\r\nx\r\ny=\r\n", {"y"}, "no blank lines, comments or lines without ="},
    };
    ScratchDir dir;
    int row = 0;
    for (const Case& c : cases) {
        const std::string path = dir.File("keys" + std::to_string(row++) + ".ini");
        WriteFile(path, c.file);
        EXPECT_EQ(OpenProfileFile(path)->Keys("S"), c.expected) << c.reason;
    }
}

// A long history must come back whole, also past the first buffer of 16384 bytes.
TEST(ProfileFile, LongKeyListComesBackWhole) {
    ScratchDir dir;
    const std::string path = dir.File("long.ini");
    std::string text = "[S]\r\n";
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        expected.push_back("KEY" + std::to_string(10000 + i));
        text += expected.back() + "=v\r\n";
    }
    WriteFile(path, text);
    EXPECT_EQ(OpenProfileFile(path)->Keys("S"), expected);
}

TEST(ProfileFile, WritesMakeTheFileText) {
    struct Write {
        std::string section, key, value;
    };
    struct Case {
        std::string before;  // "" for no file
        std::vector<Write> writes;
        std::string after;
        const char* reason;
    };
    const Case cases[] = {
        {"", {{"S", "k", "v"}}, "[S]\r\nk=v\r\n", "a new file: raw text, CR LF, no BOM"},
        {"",
         {{"A", "a", "1"}, {"A", "b", "2"}, {"B", "c", "3"}, {"A", "d", "4"}},
         "[A]\r\na=1\r\nb=2\r\nd=4\r\n[B]\r\nc=3\r\n",
         "new keys at the end of their section, new sections at the end"},
        {"[A]\r\nKey=1\r\nb=2\r\n",
         {{"a", "KEY", "9"}},
         "[A]\r\nKey=9\r\nb=2\r\n",
         "replaced in place, names matched without case keep their spelling"},
        {"", {{"S", "k", kLong}}, "[S]\r\nk=" + kLong + "\r\n", "a long value, whole"},
    };
    ScratchDir dir;
    int row = 0;
    for (const Case& c : cases) {
        const std::string path = dir.File("write" + std::to_string(row++) + ".ini");
        if (!c.before.empty()) WriteFile(path, c.before);
        const auto file = OpenProfileFile(path);
        for (const Write& w : c.writes) EXPECT_TRUE(file->WriteText(w.section, w.key, w.value));
        EXPECT_EQ(ReadFile(path), c.after) << c.reason;
    }
}

TEST(ProfileFile, EraseSectionRemovesItsKeys) {
    ScratchDir dir;
    const std::string path = dir.File("erase.ini");
    WriteFile(path, "[A]\r\na=1\r\n[H]\r\nh=1\r\nj=2\r\n[B]\r\nb=1\r\n");
    const auto file = OpenProfileFile(path);
    EXPECT_TRUE(file->EraseSection("h"));
    EXPECT_EQ(ReadFile(path), "[A]\r\na=1\r\n[B]\r\nb=1\r\n");
    EXPECT_TRUE(file->Keys("H").empty());
    EXPECT_TRUE(file->EraseSection("H")) << "erasing what is not there is no failure";

    const auto none = OpenProfileFile(dir.File("none.ini"));
    EXPECT_TRUE(none->EraseSection("H"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.ini"))) << "nothing erased, no file";
    EXPECT_EQ(none->ReadText("S", "k", "d"), "d");
    EXPECT_TRUE(none->Keys("S").empty());
}

TEST(ProfileFile, WriteIntoMissingFolderFails) {
    ScratchDir dir;
    const auto file = OpenProfileFile(dir.File("none") + "/x.ini");
    EXPECT_FALSE(file->WriteText("S", "k", "v"));
    EXPECT_FALSE(file->EraseSection("S"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("none")));
}

// Makes the file read-only; false when this process may write it all the same (root ignores
// the permission), which makes the test meaningless.
bool MakeReadOnly(const std::string& path) {
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::ofstream probe(path, std::ios::app);
    return !probe.is_open();
}

TEST(ProfileFile, ReadOnlyFileIsNotChanged) {
    ScratchDir dir;
    const std::string path = dir.File("ro.ini");
    const std::string text = "[S]\r\nk=v\r\n";
    WriteFile(path, text);
    if (!MakeReadOnly(path)) GTEST_SKIP() << "this user may write read-only files";
    const auto file = OpenProfileFile(path);
    EXPECT_FALSE(file->WriteText("S", "k", "w"));
    EXPECT_FALSE(file->WriteText("S", "k", "v")) << "the file cannot be written, same value or not";
    EXPECT_FALSE(file->EraseSection("S"));
    EXPECT_EQ(ReadFile(path), text);
    std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

}  // namespace
}  // namespace tavori::platform
