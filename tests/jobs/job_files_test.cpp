#include "jobs/job_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/file.h"
#include "test_support.h"

namespace tavori {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

// Outputs that turn out to be one file once created, as a link or a second name can make
// them where the check by names could not tell: refused before a byte is lost, and nothing
// made by the attempt is left behind.
TEST(CreateJobOutputs, RefusesOneFileFoundAfterCreatingWithoutEmptyingIt) {
    struct Row {
        std::vector<std::string> inputs, outputs;  // names in the scratch folder
        const char* reason;
    };
    const std::vector<Row> rows = {
        {{}, {"u.mbx", "u.mbx"}, "one name twice"},
        {{"in.mbx"}, {"in.mbx"}, "an output that is an input is not emptied"},
        {{"in.mbx"}, {"new.mbx", "in.mbx"}, "nor when a new output was made before it"},
        {{"in.mbx"}, {"hard.mbx"}, "a hard link to an input"},
#ifndef _WIN32
        {{}, {"link1.mbx", "link2.mbx"}, "two links leading to one file not yet there"},
        {{"in.mbx"}, {"inlink.mbx"}, "a link to an input"},
#endif
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        WriteFile(dir.File("in.mbx"), "mails");
        ASSERT_TRUE(std::filesystem::exists(dir.File("in.mbx")));
        std::filesystem::create_hard_link(dir.File("in.mbx"), dir.File("hard.mbx"));
#ifndef _WIN32
        ASSERT_EQ(::symlink("target.mbx", dir.File("link1.mbx").c_str()), 0);
        ASSERT_EQ(::symlink(dir.File("target.mbx").c_str(), dir.File("link2.mbx").c_str()), 0);
        ASSERT_EQ(::symlink("in.mbx", dir.File("inlink.mbx").c_str()), 0);
#endif
        std::vector<std::string> inputs, outputs;
        for (const std::string& name : row.inputs) inputs.push_back(dir.File(name));
        for (const std::string& name : row.outputs) outputs.push_back(dir.File(name));
        EXPECT_THROW(CreateJobOutputs(inputs, outputs), SameFileError) << row.reason;
        EXPECT_EQ(ReadFile(dir.File("in.mbx")), "mails") << row.reason;
        EXPECT_FALSE(std::filesystem::exists(dir.File("u.mbx"))) << row.reason;
        EXPECT_FALSE(std::filesystem::exists(dir.File("new.mbx"))) << row.reason;
        EXPECT_FALSE(std::filesystem::exists(dir.File("target.mbx"))) << row.reason;
    }
}

TEST(CreateJobOutputs, EmptiesDistinctOutputsOnlyAfterTheCheck) {
    ScratchDir dir;
    WriteFile(dir.File("in.mbx"), "mails");
    WriteFile(dir.File("old.mbx"), "an older result");
    auto files = CreateJobOutputs({dir.File("in.mbx")}, {dir.File("old.mbx"), dir.File("new.mbx")});
    ASSERT_EQ(files.size(), 2u);
    files[0]->Write("a");
    files[1]->Write("b");
    files.clear();
    EXPECT_EQ(ReadFile(dir.File("old.mbx")), "a");
    EXPECT_EQ(ReadFile(dir.File("new.mbx")), "b");
    EXPECT_EQ(ReadFile(dir.File("in.mbx")), "mails");
}

}  // namespace
}  // namespace tavori
