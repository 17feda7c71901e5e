// Paths as Windows reads them, Shift-JIS aware: the names of the files the jobs write and
// folders given a final separator.
#include "base/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace tavori {
namespace {

TEST(OutputFileNames, ReplaceOrAppendTheExtension) {
    const struct {
        const char *name, *mbx, *ren;
    } rows[] = {
        {"Mail.txt", "Mail.mbx", "Mail.REN"},
        {"Mail", "Mail.mbx", "Mail.REN"},
        {"mail.ren", "mail.mbx", "mail.REN"},
        {"a.b.c", "a.b.mbx", "a.b.REN"},
        {"dir.x\\Mail", "dir.x\\Mail.mbx", "dir.x\\Mail.REN"},  // a dot in the folder only
        {"C:Mail", "C:Mail.mbx", "C:Mail.REN"},
        {"表.txt", "表.mbx", "表.REN"},  // 表's second byte is "\"
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MailboxFileName(row.name), row.mbx) << row.name;
        EXPECT_EQ(RenFileName(row.name), row.ren) << row.name;
    }
}

TEST(WithFinalSeparator, AddsOneUnlessThereIsOne) {
    const struct {
        const char *folder, *expected, *reason;
    } rows[] = {
        {"C:\\Mail", "C:\\Mail\\", "a folder as the browser gives it"},
        {"C:\\Mail\\", "C:\\Mail\\", "one is there"},
        {"att/", "att/", "a slash counts"},
        {"C:\\表", "C:\\表\\", "the second byte of 表 is no separator"},
        {"C:\\ソ", "C:\\ソ\\", "nor that of ソ"},
        {"C:", "C:\\", "a drive gives its root"},
        {"", "", "no folder: the name alone"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(WithFinalSeparator(row.folder, '\\'), row.expected) << row.reason;
}

}  // namespace
}  // namespace tavori
