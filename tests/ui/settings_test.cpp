// The settings file over the real profile service of the system the test runs on.
#include "ui/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/file.h"
#include "test_support.h"

namespace tavori::ui {
namespace {

using platform::OpenProfileFile;
using platform::ProfileFile;
using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

// A settings file written as text, then loaded.
Settings LoadFrom(const ScratchDir& dir, const std::string& text) {
    static int count = 0;
    const std::string path = dir.File("load" + std::to_string(count++) + ".ini");
    WriteFile(path, text);
    return LoadSettings(*OpenProfileFile(path));
}

TEST(Settings, FirstStartWithoutFileGivesDefaults) {
    ScratchDir dir;
    const Settings s = LoadSettings(*OpenProfileFile(dir.File("Tavori.ini")));
    EXPECT_EQ(s.outputDir, "");
    EXPECT_EQ(s.importDir, "");
    EXPECT_EQ(s.wordCount, 40);
    EXPECT_FALSE(s.hyperRef);
    EXPECT_FALSE(s.decode);
    EXPECT_EQ(s.mailBegin, "Subject:");
    EXPECT_EQ(s.mailEnd, "[前");
    EXPECT_TRUE(s.history.empty());
}

TEST(Settings, WordCountIsANumberClampedTo40Through255) {
    struct Case {
        const char* value;
        int expected;
        const char* reason;
    };
    const Case cases[] = {
        {"300", 255, "above the range"},
        {"10", 40, "below the range"},
        {"0x48", 72, "hexadecimal"},
        {"abc", 40, "no number: the default"},
        {"0x", 40, "the prefix alone is no number"},
        {"72abc", 40, "trailing letters make no number"},
        {"-5", 40, "negative, below the range"},
        {"99999999999", 40, "beyond int is no number"},
        {"255", 255, "upper end"},
    };
    ScratchDir dir;
    for (const Case& c : cases)
        EXPECT_EQ(LoadFrom(dir, std::string("[Convert]\r\nWCOUNT=") + c.value).wordCount,
                  c.expected)
            << c.value << ": " << c.reason;
}

TEST(Settings, WordCountTextIsWrittenAsANumber) {
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {{"72", "72"}, {"abc", "40"}, {"0x48", "72"}};
    ScratchDir dir;
    const auto file = OpenProfileFile(dir.File("Tavori.ini"));
    for (const Case& c : cases) {
        ASSERT_TRUE(SaveSettings(*file, Settings{}, c.text));
        EXPECT_EQ(file->ReadText("Convert", "WCOUNT", ""), c.written) << c.text;
    }
}

TEST(Settings, HistoryIsReadInFileOrder) {
    struct Case {
        std::string section;
        std::vector<std::string> expected;
        const char* reason;
    };
    const Case cases[] = {
        {"FILE3=c.REN\r\nFILE1=a.REN\r\n", {"c.REN", "a.REN"}, "file order, not key order"},
        {"FILE0=a=b.REN\r\n", {"a=b.REN"}, "everything after the first ="},
        {"FILE0=\r\nFILE1=b.REN\r\n", {"b.REN"}, "an empty value is dropped"},
        {"FILE0=a.REN\r\nfile0=b.REN\r\nFILE1=c.REN\r\n",
         {"a.REN", "c.REN"},
         "a key name seen before adds nothing"},
    };
    ScratchDir dir;
    for (const Case& c : cases)
        EXPECT_EQ(LoadFrom(dir, "[HISTORY]\r\n" + c.section).history, c.expected) << c.reason;
}

// HYPERFIND 2 reads as ticked and goes back as "1"; FILE3, FILE1 go back as FILE0, FILE1.
TEST(Settings, SaveAfterLoadNormalisesTheValues) {
    ScratchDir dir;
    const std::string path = dir.File("Tavori.ini");
    WriteFile(
        path,
        "[Convert]\r\nHYPERFIND=2\r\nDECODE=3\r\n[HISTORY]\r\nFILE3=c.REN\r\nFILE1=a.REN\r\n");
    const auto file = OpenProfileFile(path);
    const Settings s = LoadSettings(*file);
    EXPECT_TRUE(s.hyperRef);
    EXPECT_TRUE(s.decode);
    ASSERT_TRUE(SaveSettings(*file, s, "40"));
    EXPECT_EQ(file->ReadText("Convert", "HYPERFIND", ""), "1");
    EXPECT_EQ(file->ReadText("Convert", "DECODE", ""), "1");
    EXPECT_EQ(file->Keys("HISTORY"), (std::vector<std::string>{"FILE0", "FILE1"}));
    EXPECT_EQ(file->ReadText("HISTORY", "FILE0", ""), "c.REN");
}

TEST(Settings, FirstSaveWritesTheKeysInOrder) {
    ScratchDir dir;
    const std::string path = dir.File("Tavori.ini");
    Settings s;
    s.outputDir = "C:\\REN\\";
    s.importDir = "C:\\取込";
    s.hyperRef = true;
    s.history = {"a.REN", "b.REN"};
    ASSERT_TRUE(SaveSettings(*OpenProfileFile(path), s, "72"));
    EXPECT_EQ(ReadFile(path),
              "[Convert]\r\nTOMOHOME=C:\\REN\\\r\nIMPORTDIR=C:\\取込\r\nWCOUNT=72\r\n"
              "HYPERFIND=1\r\nDECODE=0\r\n[HTML]\r\nBEGIN=Subject:\r\nEND=[前\r\n"
              "[HISTORY]\r\nFILE0=a.REN\r\nFILE1=b.REN\r\n");
}

// Blanks and quotes at a value's edges would be lost by the profile service's reading.
TEST(Settings, ValuesWithBlanksOrQuotesComeBackUnchanged) {
    const std::string values[] = {
        " x", "x ", "\"x\"", "a\"b", "'x'", "\"x", "\tx", "\x81\x40x\x81\x40", "x=y", "日本語",
    };
    ScratchDir dir;
    const auto file = OpenProfileFile(dir.File("Tavori.ini"));
    for (const std::string& v : values) {
        Settings s;
        s.outputDir = s.importDir = s.mailBegin = s.mailEnd = v;
        s.history = {v, "plain.REN"};
        ASSERT_TRUE(SaveSettings(*file, s, "40"));
        const Settings back = LoadSettings(*file);
        EXPECT_EQ(back.outputDir, v);
        EXPECT_EQ(back.importDir, v);
        EXPECT_EQ(back.mailBegin, v);
        EXPECT_EQ(back.mailEnd, v);
        EXPECT_EQ(back.history, s.history);
    }
}

TEST(Settings, SaveIntoMissingFolderFailsAndCreatesNothing) {
    ScratchDir dir;
    const std::string folder = dir.File("gone");
    Settings s;
    s.history = {"a.REN"};
    EXPECT_FALSE(SaveSettings(*OpenProfileFile(folder + "/Tavori.ini"), s, "40"));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

// Records every call; the write or erase with the index failAt fails.
class RecordingFile : public ProfileFile {
  public:
    explicit RecordingFile(int failAt) : failAt_(failAt) {}
    std::string ReadText(const std::string&, const std::string&,
                         const std::string& defaultValue) const override {
        return defaultValue;
    }
    bool WriteText(const std::string& section, const std::string& key,
                   const std::string&) override {
        return Record("write " + section + "/" + key);
    }
    std::vector<std::string> Keys(const std::string&) const override { return {}; }
    bool EraseSection(const std::string& section) override { return Record("erase " + section); }
    std::vector<std::string> calls;

  private:
    bool Record(std::string call) {
        calls.push_back(std::move(call));
        return static_cast<int>(calls.size()) - 1 != failAt_;
    }
    int failAt_;
};

TEST(Settings, SaveStopsAtTheFirstFailedWrite) {
    const std::vector<std::string> order = {
        "write Convert/TOMOHOME",  "write Convert/IMPORTDIR", "write Convert/WCOUNT",
        "write Convert/HYPERFIND", "write Convert/DECODE",    "write HTML/BEGIN",
        "write HTML/END",          "erase HISTORY",           "write HISTORY/FILE0",
        "write HISTORY/FILE1",
    };
    Settings s;
    s.history = {"a.REN", "b.REN"};
    RecordingFile all(-1);
    EXPECT_TRUE(SaveSettings(all, s, "40"));
    EXPECT_EQ(all.calls, order);
    for (int failAt = 0; failAt < static_cast<int>(order.size()); ++failAt) {
        RecordingFile file(failAt);
        EXPECT_FALSE(SaveSettings(file, s, "40")) << order[failAt];
        EXPECT_EQ(file.calls, std::vector<std::string>(order.begin(), order.begin() + failAt + 1))
            << "nothing is written after " << order[failAt];
    }
}

// Each create, write, flush and close of the file's rewrites made to fail in turn: the save
// reports it, and the file holds every value either as before or as saved, never half a file.
TEST(Settings, EveryFailingFileCallLeavesAWholeFile) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows' own profile service writes the file; its calls cannot fail here";
#endif
    using platform::FileOp;
    ScratchDir dir;
    const std::string path = dir.File("Tavori.ini");
    Settings before, after;
    before.outputDir = "C:\\old\\";
    before.history = {"old.REN"};
    after.outputDir = "C:\\new\\";
    after.mailBegin = "Begin:";
    after.history = {"a.REN", "b.REN"};
    ASSERT_TRUE(SaveSettings(*OpenProfileFile(path), before, "40"));
    const std::string beforeText = ReadFile(path);

    std::array<int, 4> counts{};
    FileOp failOp = FileOp::kCreate;
    int failAt = 0;
    platform::SetFileFaultHook([&](FileOp op, const std::string&, std::size_t) {
        const int n = ++counts[static_cast<std::size_t>(op)];
        return failAt > 0 && op == failOp && n >= failAt;
    });
    EXPECT_TRUE(SaveSettings(*OpenProfileFile(path), after, "50"));
    const std::array<int, 4> total = counts;
    std::cout << "[ matrix   ] settings save  create: " << total[0] << "  write: " << total[1]
              << "  flush: " << total[2] << "  close: " << total[3] << "\n";
    EXPECT_GT(total[1], 0);
    for (std::size_t k = 0; k < total.size(); ++k) {
        for (int n = 1; n <= total[k]; ++n) {
            SCOPED_TRACE("call kind " + std::to_string(k) + " #" + std::to_string(n));
            WriteFile(path, beforeText);
            counts = {};
            failOp = static_cast<FileOp>(k);
            failAt = n;
            EXPECT_FALSE(SaveSettings(*OpenProfileFile(path), after, "50"));
            const Settings got = LoadSettings(*OpenProfileFile(path));
            EXPECT_TRUE(got.outputDir == before.outputDir || got.outputDir == after.outputDir);
            EXPECT_TRUE(got.mailBegin == before.mailBegin || got.mailBegin == after.mailBegin);
            // The history is rewritten name by name: the old one or the first names of the new.
            EXPECT_TRUE(
                got.history == before.history ||
                (got.history.size() <= after.history.size() &&
                 std::equal(got.history.begin(), got.history.end(), after.history.begin())));
            int files = 0;
            for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(dir.Path()))
                ++files;
            EXPECT_EQ(files, 1) << "a temporary file was left behind";
        }
    }
    platform::SetFileFaultHook(nullptr);
}

TEST(NameHistory, AddsOnlyNamesNotThereIgnoringCase) {
    std::vector<std::string> history{"TomoText.REN"};
    EXPECT_FALSE(AddToNameHistory(history, "tomotext.ren"));
    EXPECT_TRUE(AddToNameHistory(history, "Mail.REN"));
    EXPECT_EQ(history, (std::vector<std::string>{"TomoText.REN", "Mail.REN"}));
}

}  // namespace
}  // namespace tavori::ui
