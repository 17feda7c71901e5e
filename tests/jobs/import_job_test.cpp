#include "jobs/import_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include "base/errors.h"
#include "file_size_limit.h"
#include "jobs/job_files.h"
#include "recording_host.h"
#include "test_support.h"

namespace tavori {
namespace {

using test::ReadFile;
using test::RecordingHost;
using test::ScratchDir;
using test::WriteFile;

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

constexpr const char* kNotAMail = "\r\nメールの形式が間違っています";

// Input files in a scratch folder that must read the same after every job.
struct Store {
    ScratchDir dir;
    std::map<std::string, std::string> written;
    ImportFile File(const std::string& name, const std::string& text) {
        WriteFile(dir.File(name), text);
        written[dir.File(name)] = text;
        return {dir.File(name), name};
    }
    void ExpectInputsUnchanged() const {
        for (const auto& [path, text] : written) EXPECT_EQ(ReadFile(path), text) << path;
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.File(name)); }
    ImportOptions Options(ImportFileType type = ImportFileType::kTextMail) const {
        ImportOptions options;
        options.targetPath = dir.File("Import.mbx");
        options.type = type;
        return options;
    }
};

TEST(ReadImportText, JoinsLinesWithCrLfUpToTheFirstNul) {
    struct Row {
        std::string bytes, text;
        bool nul;
        const char* reason;
    };
    const Row rows[] = {
        {"", "", false, "an empty file has no line"},
        {"a\r\nb\r\n", "a\r\nb\r\n", false, "CR LF stays"},
        {"a\nb", "a\r\nb\r\n", false, "lone LF, and the last line is ended too"},
        {"a\rb\r", "a\r\nb\r\n", false, "lone CR"},
        {"a\n\rb", "a\r\n\r\nb\r\n", false, "LF then CR are two line ends"},
        {"a\r\r\nb", "a\r\n\r\nb\r\n", false, "CR then CR LF are two line ends"},
        {"\r\n\r\n", "\r\n\r\n", false, "empty lines are kept"},
        {std::string("a\r\nb\0c\r\nd", 8), "a\r\nb\r\n", true, "a NUL ends the text"},
        {std::string("\0abc", 4), "", true, "a NUL first leaves nothing"},
        {std::string(70000, 'x') + std::string("\0y", 2), std::string(70000, 'x') + "\r\n", true,
         "a NUL beyond the first block read"},
        {std::string("\xFF\xFE"
                     "a\0\n\0b\0\r\0",
                     10),
         "a\r\nb\r\n", false,
         "UTF-16: its NUL bytes are halves of characters, its lines joined the same"},
        {std::string("\xFE\xFF\0a\0\0\0b", 8), "a\r\n", true, "UTF-16: a U+0000 ends the text"},
    };
    ScratchDir dir;
    for (const Row& row : rows) {
        WriteFile(dir.File("f.txt"), row.bytes);
        const ImportText read = ReadImportText(dir.File("f.txt"), ImportFileType::kTextMail);
        const std::string& text = read.text;
        EXPECT_EQ(read.endedAtNul, row.nul) << row.reason;
        // The tail shows where a long text went wrong.
        EXPECT_TRUE(text == row.text) << row.reason << ": ..."
                                      << testing::PrintToString(text.substr(
                                             text.size() - std::min<std::size_t>(text.size(), 40)));
    }
}

TEST(CutMail, KeepsTheBeginStringAndDropsTheEndString) {
    struct Row {
        std::string text, begin, end, mail;
        const char* reason;
    };
    const std::string page = "menu Subject: x\r\n\r\nbody [前へ] [次へ]";
    const Row rows[] = {
        {page, "Subject:", "[前", "Subject: x\r\n\r\nbody", "cut and trimmed"},
        {page, "", "[前", "", "an empty begin string is never found"},
        {page, "subject:", "[前", "", "letter case counts"},
        {page, "Subject:", "[後", "Subject: x\r\n\r\nbody [前へ] [次へ]", "end not found: rest"},
        {page, "Subject:", "", "Subject: x\r\n\r\nbody [前へ] [次へ]", "empty end: the rest"},
        {page, "Subject:", "Sub", "", "an end at the start of the begin string leaves nothing"},
        {page, "Subject:", "Subject:", "", "an end equal to the begin string leaves nothing"},
        {page, "Subject:", "ject", "Sub", "the end is searched from the begin string on"},
        {"[前 Subject: y", "Subject:", "[前", "Subject: y", "an end before the begin is passed"},
        {"Subject: 1\r\n\r\nb1 [前 Subject: 2\r\n\r\nb2 [前", "Subject:", "[前",
         "Subject: 1\r\n\r\nb1", "the begin string twice: the first counts"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(CutMail(row.text, {row.begin, row.end}), row.mail) << row.reason;
}

TEST(MailTextOf, CutsThePagesPlainText) {
    const std::string page =
        "<html><head><title>Subject: no</title></head><body>Subject: x<br>From: a@b<br><br>"
        "body text [前へ]</body></html>";
    EXPECT_EQ(MailTextOf({page}, ImportFileType::kHtml, {}),
              "Subject: x\r\nFrom: a@b\r\n\r\nbody text");
}

TEST(MailTextOf, KeepsTheEscapeOfATextStartingInIso2022Jp) {
    EXPECT_EQ(MailTextOf({"\r\n\x1b$B$\"\x1b(B\r\n"}, ImportFileType::kTextMail, {}),
              "\x1b$B$\"\x1b(B");
}

// Each file through the job: what the mailbox gets, and the warning of characters Shift-JIS
// lacks, once per file.
TEST(ImportJob, ConvertsTodaysEncodingsAndWarnsOfWhatShiftJisLacks) {
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::string page = "<body>x<br>Subject: ";
    struct Row {
        const char* name;
        std::string bytes;
        ImportFileType type;
        std::string mailbox;
        int unmapped;  // the warning's count; 0: no warning
        const char* reason;
    };
    const ImportFileType text = ImportFileType::kTextMail, html = ImportFileType::kHtml;
    const Row rows[] = {
        {"u.txt", "Subject: " + U8(u8"日本") + emoji + emoji + "\n\nb", text,
         "Subject: 日本〓〓\r\n\r\nb\r\n.\r\n", 2, "UTF-8 text: two marks, one warning"},
        {"u.eml", "Subject: " + U8(u8"日本") + "\n\nb", text,
         "Subject: " + U8(u8"日本") + "\r\n\r\nb\r\n.\r\n", 0, ".eml keeps its bytes"},
        {"c.txt", "Content-Type: text/plain; charset=utf-8\n\n" + U8(u8"日本"), text,
         "Content-Type: text/plain; charset=utf-8\r\n\r\n" + U8(u8"日本") + "\r\n.\r\n", 0,
         "a text mail naming its charset keeps its bytes"},
        {"w.txt", std::string("\xFF\xFES\0:\0 \0\xE5\x65\n\0\n\0b\0", 16), text,
         "S: 日\r\n\r\nb\r\n.\r\n", 0, "UTF-16 LE with a mark"},
        {"e.txt", "Subject: \xC6\xFC\r\n\r\nb", text, "Subject: \xC6\xFC\r\n\r\nb\r\n.\r\n", 0,
         "EUC-JP text mail as ever"},
        {"u.htm", page + U8(u8"日本") + emoji + "<br><br>b", html,
         "Subject: 日本〓\r\n\r\nb\r\n.\r\n", 1, "UTF-8 page"},
        {"m.htm", "<meta charset=euc-jp>" + page + "\xC6\xFC<br><br>b", html,
         "Subject: 日\r\n\r\nb\r\n.\r\n", 0, "a page's meta charset"},
        {"k.htm", page + "\xB1\xB2\xB3<br><br>b", html, "Subject: \xB1\xB2\xB3\r\n\r\nb\r\n.\r\n",
         0, "half-width katakana stay Shift-JIS"},
    };
    for (const Row& row : rows) {
        Store s;
        RecordingHost host;
        ImportJob job({s.File(row.name, row.bytes)}, s.Options(row.type), host);
        job.Run();
        EXPECT_EQ(ReadFile(s.dir.File("Import.mbx")), row.mailbox) << row.reason;
        std::vector<std::string> warned;
        if (row.unmapped > 0)
            warned.push_back(std::string(row.name) + " : Shift-JIS にない文字 " +
                             std::to_string(row.unmapped) + " 個を 〓 にしました");
        EXPECT_EQ(host.warnings, warned) << row.reason;
        s.ExpectInputsUnchanged();
    }
}

TEST(ImportJob, WritesTheMailsInListOrderAndWarnsOfFilesThatAreNoMail) {
    Store s;
    std::vector<ImportFile> files = {
        s.File("c.txt", "Subject: c\n\nbody c\n"),
        s.File("n.txt", "no empty line, so no header"),
        s.File("a.eml", "\r\n\r\nSubject: a\r\n\r\n\r\nbody a\r\n\r\n"),
        s.File("e.txt", ""),
        s.File("b.txt", "Subject: b\r\n\r\n.\r\nb"),
        s.File("z.txt", std::string("Subject: z\r\n\r\nz\0lost", 18)),
    };
    ImportOptions options = s.Options();
    options.listEntries = 7;
    RecordingHost host;
    ImportJob job(files, options, host);
    job.Run();
    EXPECT_EQ(ReadFile(options.targetPath),
              "Subject: c\r\n\r\nbody c\r\n.\r\n"
              "Subject: a\r\n\r\nbody a\r\n.\r\n"
              "Subject: b\r\n\r\n .\r\nb\r\n.\r\n"
              "Subject: z\r\n\r\nz\r\n.\r\n")
        << "LF lines end in CR LF, the file's blank lines are trimmed, a lone dot kept apart, "
           "a NUL ends a text";
    EXPECT_EQ(host.warnings, (std::vector<std::string>{
                                 std::string("n.txt") + kNotAMail, std::string("e.txt") + kNotAMail,
                                 "z.txt の途中に NUL があります: それ以降は取り込みません"}));
    EXPECT_EQ(host.texts.front(), "ファイル:c.txt 読込み中...");
    EXPECT_EQ(host.texts.size(), files.size());
    EXPECT_EQ(host.maximum, 7u) << "every entry of the list";
    EXPECT_EQ(host.position, files.size());
    EXPECT_EQ(job.MailsWritten(), 4);
    EXPECT_EQ(job.NotMails(), 2);
    EXPECT_FALSE(job.Aborted());
    s.ExpectInputsUnchanged();
}

TEST(ImportJob, AbortEndsTheRunAfterTheCurrentFile) {
    Store s;
    RecordingHost host;
    host.StopAfterEvents(1);
    ImportJob job({s.File("a.txt", "Subject: a\r\n\r\na"), s.File("b.txt", "Subject: b\r\n\r\nb")},
                  s.Options(), host);
    job.Run();
    EXPECT_TRUE(job.Aborted());
    EXPECT_EQ(ReadFile(s.dir.File("Import.mbx")), "Subject: a\r\n\r\na\r\n.\r\n");
    EXPECT_EQ(host.texts.size(), 1u);
}

// Refusals before anything is created: an existing target keeps its bytes.
TEST(ImportJob, RefusesBeforeCreatingTheTarget) {
    enum class Fault { kSameFile, kIo, kTooBig, kDeclined };
    struct Row {
        std::string target;  // a name in the scratch folder
        std::string extra;   // a second file to import: "gone" missing, "big" over 256 MB
        Fault fault;
        const char* reason;
    };
    const Row rows[] = {
        {"a.txt", "", Fault::kSameFile, "the target is one of the files"},
        {"Import.mbx", "gone", Fault::kIo, "a file is missing"},
        {"no-folder/Import.mbx", "", Fault::kIo, "the target cannot be created"},
        {"Import.mbx", "big", Fault::kTooBig, "a file too big to import"},
        {"Import.mbx", "", Fault::kDeclined, "the host would not replace the mailbox"},
    };
    for (const Row& row : rows) {
        Store s;
        s.File("Import.mbx", "an older mailbox");
        std::vector<ImportFile> files = {s.File("a.txt", "Subject: a\r\n\r\na")};
        if (!row.extra.empty()) files.push_back({s.dir.File(row.extra), row.extra});
        if (row.extra == "big") {  // sparse: no disk is used for it
            WriteFile(files.back().path, "");
            std::filesystem::resize_file(files.back().path, (std::uintmax_t{256} << 20) + 1);
        }
        ImportOptions options = s.Options();
        options.targetPath = s.dir.File(row.target);
        RecordingHost host;
        ImportJob job(files, options, host);
        switch (row.fault) {
            case Fault::kSameFile:
                EXPECT_THROW(job.Run(), SameFileError) << row.reason;
                break;
            case Fault::kIo:
                EXPECT_THROW(job.Run(), IoError) << row.reason;
                break;
            case Fault::kTooBig:
                EXPECT_THROW(job.Run(), ConvertError) << row.reason;
                break;
            case Fault::kDeclined:
                EXPECT_THROW(job.Run(), ReplaceDeclined) << row.reason;
                break;
        }
        EXPECT_TRUE(host.texts.empty()) << row.reason << ": nothing was read";
        s.ExpectInputsUnchanged();
    }
}

TEST(ImportJob, FileGoneDuringTheRunEndsItKeepingEarlierMails) {
    Store s;
    const ImportFile a = s.File("a.txt", "Subject: a\r\n\r\na");
    const ImportFile b = s.File("b.txt", "Subject: b\r\n\r\nb");
    s.written.erase(b.path);
    RecordingHost host;
    host.onEvent = [&] {
        if (host.events == 1) std::remove(b.path.c_str());
    };
    ImportJob job({a, b}, s.Options(), host);
    try {
        job.Run();
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find(b.path), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(s.dir.File("Import.mbx")), "Subject: a\r\n\r\na\r\n.\r\n");
    s.ExpectInputsUnchanged();
}

#ifndef _WIN32
// A full disk: the error names the mailbox, which keeps the mails written before.
TEST(ImportJob, WriteErrorKeepsEarlierMailsAndNamesTheMailbox) {
    Store s;
    RecordingHost host;
    ImportJob job({s.File("a.txt", "Subject: a\r\n\r\na"),
                   s.File("b.txt", "Subject: b\r\n\r\n" + std::string(4000, 'x'))},
                  s.Options(), host);
    const std::string what = test::IoErrorOnFullDisk(1000, [&] { job.Run(); });
    EXPECT_NE(what.find(s.dir.File("Import.mbx") + "\" に書き込めません: "), std::string::npos)
        << what;
    EXPECT_EQ(ReadFile(s.dir.File("Import.mbx")), "Subject: a\r\n\r\na\r\n.\r\n");
    s.ExpectInputsUnchanged();
}
#endif

}  // namespace
}  // namespace tavori
