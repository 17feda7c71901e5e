#include "platform/file.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "test_support.h"

namespace tavori::platform {
namespace {

using test::ScratchDir;

TEST(InputFile, MissingFileAndFolderAreNotOpened) {
    ScratchDir dir;
    EXPECT_EQ(InputFile::OpenIfExists(dir.File("none")), nullptr);
    EXPECT_EQ(InputFile::OpenIfExists(dir.Path()), nullptr);
    EXPECT_EQ(InputFile::OpenIfExists(dir.File("none/x")), nullptr);
    EXPECT_FALSE(IsRegularFile(dir.Path()));
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

}  // namespace
}  // namespace tavori::platform
