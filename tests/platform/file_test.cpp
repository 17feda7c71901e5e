#include "platform/file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include <filesystem>
#include <vector>

#include "base/errors.h"
#include "file_size_limit.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavori::platform {
namespace {

using test::ScratchDir;

// What a path names that is no regular file, made for the test; "" where the system has none.
std::string MakeFifo(const ScratchDir& dir) {
#ifdef _WIN32
    (void)dir;
    return "";
#else
    const std::string path = dir.File("fifo");
    return ::mkfifo(path.c_str(), 0600) == 0 ? path : "";
#endif
}

std::string DevicePath() {
#ifdef _WIN32
    return "NUL";
#else
    return "/dev/null";
#endif
}

// Folders, FIFOs and devices are refused by name, without an open that could wait for a
// writer; a missing file is no error.
TEST(InputFile, OnlyRegularFilesAreOpened) {
    ScratchDir dir;
    EXPECT_EQ(InputFile::OpenIfExists(dir.File("none")), nullptr);
    EXPECT_EQ(InputFile::OpenIfExists(dir.File("none/x")), nullptr);
    EXPECT_FALSE(IsRegularFile(dir.Path()));
    struct Case {
        std::string path;
        const char* says;
    };
    const Case cases[] = {
        {dir.Path(), "フォルダー"},
        {MakeFifo(dir), "通常のファイルではありません"},
        {DevicePath(), "通常のファイルではありません"},
    };
    for (const Case& c : cases) {
        if (c.path.empty()) continue;
        try {
            InputFile::OpenIfExists(c.path);
            ADD_FAILURE() << c.path << " was opened";
        } catch (const IoError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find(c.path), std::string::npos) << text;
            EXPECT_NE(text.find(c.says), std::string::npos) << text;
        }
    }
}

TEST(OutputFile, RefusesWhatIsNoRegularFile) {
    ScratchDir dir;
    for (const std::string& path : {dir.Path(), MakeFifo(dir), DevicePath()}) {
        if (path.empty()) continue;
        EXPECT_THROW(OutputFile::Create(path), IoError) << path;
    }
}

TEST(InputFile, ReadsBlocksToTheEnd) {
    ScratchDir dir;
    test::WriteFile(dir.File("f"), "0123456789");
    auto f = InputFile::OpenIfExists(dir.File("f"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Size(), 10u);
    EXPECT_FALSE(f->AtEnd());
    char buf[8];
    EXPECT_EQ(f->Read(buf, 8), 8u);
    EXPECT_EQ(f->Read(buf, 8), 2u);
    EXPECT_TRUE(f->AtEnd());
    EXPECT_EQ(f->Read(buf, 8), 0u);
}

// A short file is read through a block of about its size; what it grew by after the first
// read still comes, a block at a time.
TEST(InputFile, AShortFileThatGrowsIsReadWhole) {
    ScratchDir dir;
    const std::string first = "0123456789", more(20000, 'm');
    test::WriteFile(dir.File("g"), first);
    auto f = InputFile::OpenIfExists(dir.File("g"));
    ASSERT_NE(f, nullptr);
    char buf[4];
    ASSERT_EQ(f->Read(buf, 4), 4u);
    {
        std::ofstream grow(dir.File("g"), std::ios::binary | std::ios::app);
        grow << more;
    }
    std::string got(buf, 4);
    for (std::size_t n; (n = f->Read(buf, sizeof buf)) > 0;) got.append(buf, n);
    EXPECT_EQ(got, first + more);
}

TEST(OutputFile, CreatesAnewAndWrites) {
    ScratchDir dir;
    test::WriteFile(dir.File("o"), "old content that is longer");
    auto out = OutputFile::Create(dir.File("o"));
    out->Write("new");
    out->Flush();
    EXPECT_EQ(test::ReadFile(dir.File("o")), "new");  // on disk before the close
    out->Close();
    EXPECT_THROW(out->Write("x"), IoError);
}

TEST(OutputFile, ErrorNamesThePath) {
    ScratchDir dir;
    try {
        OutputFile::Create(dir.File("no-such-folder") + "/x.ren");
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find("no-such-folder"), std::string::npos) << e.what();
    }
}

#ifndef _WIN32
// A full disk, made with the file size limit: the write that does not fit is taken back
// whole, the file is closed, and the error names the file and the system's reason.
// How the records reach the file before the disk fills up at 150 bytes (RLIMIT_FSIZE), after
// 100 bytes of "a" written whole: the file must hold whole records only, as many as fit.
TEST(OutputFile, FailedWriteLeavesOnlyWholeRecords) {
    struct Case {
        const char* why;
        std::function<void(OutputFile&)> write;
        std::string kept;  // after the 100 bytes of "a"
    };
    const std::string b20(20, 'b'), c20(20, 'c'), d20(20, 'd');
    const Case cases[] = {
        {"a record of which 50 bytes fit is taken back",
         [](OutputFile& f) { f.Write(std::string(100, 'b')); }, ""},
        {"a gathered block that does not fit keeps the records that do",
         [&](OutputFile& f) {
             f.Gather(b20);
             f.Gather(c20);
             f.Gather(d20);
             f.Flush();
         },
         b20 + c20},
        {"closing hands the block over the same way",
         [&](OutputFile& f) {
             f.Gather(b20);
             f.Gather(c20);
             f.Gather(d20);
             f.Close();
         },
         b20 + c20},
        {"a record as big as a block goes alone, after the gathered ones",
         [&](OutputFile& f) {
             f.Gather(b20);
             f.Gather(std::string(OutputFile::kBlockBytes, 'x'));
         },
         b20},
        {"a record given in pieces is kept or taken back whole",
         [&](OutputFile& f) {
             f.Gather({b20, "", c20.substr(10)});
             f.Gather({c20, d20.substr(0, 5), d20.substr(5)});
             f.Flush();
         },
         b20 + c20.substr(10)},
        {"pieces as big as a block go alone, after the gathered ones",
         [&](OutputFile& f) {
             f.Gather({b20, c20});
             f.Gather({std::string(OutputFile::kBlockBytes - 1, 'x'), "y"});
         },
         b20 + c20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ScratchDir dir;
        const std::string path = dir.File("out.ren");
        auto out = OutputFile::Create(path);
        out->Write(std::string(100, 'a'));

        std::string message;
        {
            test::FileSizeLimit full(150);
            ASSERT_TRUE(full.Set());
            try {
                c.write(*out);
            } catch (const IoError& e) {
                message = e.what();
            }
        }

        EXPECT_NE(message.find(path + "\" に書き込めません: "), std::string::npos) << message;
        EXPECT_EQ(test::ReadFile(path), std::string(100, 'a') + c.kept);
        EXPECT_THROW(out->Write("e"), IoError);  // closed after the failure
    }
}

#endif

// Gathered records reach the file in order by Flush, by a full block, or by the destructor.
TEST(OutputFile, GatheredRecordsAreHandedOver) {
    ScratchDir dir;
    const std::string path = dir.File("out.mbx");
    std::string expected;
    {
        auto out = OutputFile::Create(path);
        out->Gather("one\r\n");
        out->Write("two\r\n");  // a record written at once follows the gathered ones
        expected = "one\r\ntwo\r\n";
        EXPECT_EQ(test::ReadFile(path), expected);
        out->Gather("three\r\n");
        out->Flush();
        expected += "three\r\n";
        EXPECT_EQ(test::ReadFile(path), expected);
        const std::string record(1000, 'r');
        while (expected.size() < 3 * OutputFile::kBlockBytes) {
            out->Gather(record);
            expected += record;
        }
        EXPECT_GE(test::ReadFile(path).size(), 2 * OutputFile::kBlockBytes);  // full blocks went
        out->Gather({"in ", "pieces", "\r\n"});
        out->Gather({std::string(OutputFile::kBlockBytes, 'p'), "q"});
        expected += "in pieces\r\n" + std::string(OutputFile::kBlockBytes, 'p') + "q";
        out->Gather("last");
        expected += "last";
    }
    EXPECT_EQ(test::ReadFile(path), expected);
}

void MakeLink(const std::string& target, const std::string& link, bool hard) {
#ifdef _WIN32
    ASSERT_TRUE(hard) << "symbolic links are not made on Windows here";
    ASSERT_TRUE(CreateHardLinkA(link.c_str(), target.c_str(), nullptr)) << link;
#else
    ASSERT_EQ(hard ? ::link(target.c_str(), link.c_str()) : ::symlink(target.c_str(), link.c_str()),
              0)
        << link;
#endif
}

TEST(SameFile, ComparesIdentityOrFullNames) {
    ScratchDir dir;
    test::WriteFile(dir.File("a.mbx"), "x");
    test::WriteFile(dir.File("b.mbx"), "x");
    MakeLink(dir.File("a.mbx"), dir.File("hard.mbx"), true);
#ifndef _WIN32
    MakeLink(dir.File("a.mbx"), dir.File("soft.mbx"), false);
    // Links that lead nowhere yet: creating either would make "target.mbx".
    MakeLink("target.mbx", dir.File("u.mbx"), false);
    MakeLink(dir.File("target.mbx"), dir.File("d.mbx"), false);
    MakeLink("u.mbx", dir.File("chain.mbx"), false);
    std::filesystem::create_directories(dir.File("sub/deep"));
    MakeLink(dir.File("sub/deep"), dir.File("lnk"), false);
#endif
    const char sep = FolderSeparator();
    struct Case {
        std::string a, b;
        bool same;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {dir.File("a.mbx"), dir.File("a.mbx"), true, "the same name"},
        {dir.File("a.mbx"), dir.File("b.mbx"), false, "two files"},
        {dir.File("a.mbx"), dir.File("hard.mbx"), true, "a hard link"},
        {dir.File(std::string(".") + sep + "a.mbx"), dir.File("a.mbx"), true, "a \".\" between"},
        {dir.File(std::string("sub") + sep + ".." + sep + "new.ren"), dir.File("new.ren"), true,
         "a name not yet created, spelt with \"..\""},
        {dir.File("new.ren"), dir.File("other.ren"), false, "two names not yet created"},
        {dir.File("a.mbx"), dir.File("new.ren"), false, "one exists, the other not"},
#ifdef _WIN32
        {dir.File("A.MBX"), dir.File("a.mbx"), true, "letter case is ignored on Windows"},
        {dir.File("NEW.REN"), dir.File("new.ren"), true, "also for names not yet created"},
#else
        {dir.File("soft.mbx"), dir.File("a.mbx"), true, "a symbolic link"},
        {dir.File("u.mbx"), dir.File("d.mbx"), true, "two links to one file not yet created"},
        {dir.File("chain.mbx"), dir.File("target.mbx"), true, "a chain of links"},
        {dir.File("lnk/../u2.mbx"), dir.File("sub/u2.mbx"), true,
         "\"..\" after a link to a folder leads to the link target's parent"},
        {dir.File("lnk/../u2.mbx"), dir.File("u2.mbx"), false, "not to the link's own folder"},
        {dir.File("A.MBX"), dir.File("a.mbx"), false, "letter case counts on Linux"},
#endif
    };
    for (const Case& c : cases) EXPECT_EQ(SameFile(c.a, c.b), c.same) << c.reason;
}

TEST(IsInsideFolder, FollowsLinksOutOfTheFolder) {
    ScratchDir dir;
    const char sep = FolderSeparator();
    const std::string attach = dir.File("Attach") + sep;
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("Attach")));
    test::WriteFile(attach + "in.eml", "x");
    test::WriteFile(dir.File("secret.eml"), "x");
    struct Case {
        std::string path;
        bool inside;
        const char* reason;
    };
    std::vector<Case> cases = {
        {attach + "in.eml", true, "a file in the folder"},
        {attach + ".." + sep + "secret.eml", false, "out of it by .."},
        {attach + "none.eml", false, "a file that does not exist"},
    };
#ifndef _WIN32
    MakeLink(dir.File("secret.eml"), attach + "link.eml", false);
    MakeLink(dir.Path(), attach + "up", false);
    cases.push_back({attach + "link.eml", false, "a link to a file outside"});
    cases.push_back({attach + "up/secret.eml", false, "through a link to a folder above"});
#endif
    const FolderBound bound(attach);  // resolved once, for every path
    for (const Case& c : cases) {
        EXPECT_EQ(IsInsideFolder(c.path, attach), c.inside) << c.reason;
        EXPECT_EQ(bound.Holds(c.path), c.inside) << c.reason;
    }
    EXPECT_FALSE(FolderBound(dir.File("gone") + sep).Holds(attach + "in.eml"))
        << "a folder that does not exist holds nothing";
}

}  // namespace
}  // namespace tavori::platform
