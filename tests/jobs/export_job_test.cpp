#include "jobs/export_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "base/errors.h"
#include "file_size_limit.h"
#include "platform/file.h"
#include "recording_host.h"
#include "test_support.h"

namespace tavori {
namespace {

using test::ReadFile;
using test::RecordingHost;
using test::ScratchDir;
using test::WriteFile;

std::string Mail(const std::string& subject, const std::string& extra = "") {
    return "Subject: " + subject + "\r\n" + extra + "\r\nbody of " + subject + "\r\n.\r\n";
}

int CountRecords(const std::string& ren) {
    int n = 0;
    for (std::size_t p = 0; (p = ren.find("#S\r\n", p)) != std::string::npos; p += 4) ++n;
    return n;
}

struct Store {
    ScratchDir dir;
    std::string Box(const std::string& name, const std::string& text) {
        WriteFile(dir.File(name), text);
        return dir.File(name);
    }
    std::string AttachDir() {
        return dir.Path();  // ends in the folder separator
    }
};

TEST(ExportJob, CountsPerMailboxAndOverTheRun) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("a1") + Mail("a2") + Mail("a3"));
    const auto b = s.Box("b.mbx", Mail("b1") + "\r\n.\r\n" + Mail("b2"));
    RecordingHost host;
    ExportJob job(s.dir.File("out.REN"), {{a, ""}, {b, ""}}, RecordOptions{}, host);
    job.Run();
    EXPECT_EQ(host.FiguresOf<ExportFigures>(),
              (std::vector<ExportFigures>{{1, 1, 0}, {2, 2, 0}, {3, 3, 0}, {1, 4, 0}, {2, 5, 0}}));
    EXPECT_EQ(job.ExportTotal(), 5);
    EXPECT_EQ(host.texts.back(), "ファイル:b.mbx を変換中...");
    EXPECT_EQ(host.position, host.maximum);
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_EQ(CountRecords(ren), 5);
    EXPECT_LT(ren.find("#Ta3"), ren.find("#Tb1"));  // the order given
}

TEST(ExportJob, AttachmentRecordsFollowTheirMessage) {
    Store s;
    WriteFile(s.dir.File("a.eml"), "Subject: attached\r\n\r\nattached body");
    WriteFile(s.dir.File("empty.eml"), "");
    const auto box =
        s.Box("m.mbx", Mail("first",
                            "X-Becky-Attachment-File: a.eml\r\nX-Becky-Attachment-File: b.txt\r\n"
                            "X-Becky-Attachment-File: missing.eml\r\n"
                            "X-Becky-Attachment-File: empty.eml\r\n") +
                           Mail("second"));
    RecordingHost host;
    ExportJob job(s.dir.File("out.REN"), {{box, s.AttachDir()}}, RecordOptions{}, host);
    job.Run();
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    ASSERT_EQ(CountRecords(ren), 3);
    EXPECT_LT(ren.find("#Tfirst"), ren.find("#Tattached"));
    EXPECT_LT(ren.find("#Tattached"), ren.find("#Tsecond"));
    EXPECT_EQ(host.FiguresOf<ExportFigures>().front(), (ExportFigures{1, 1, 1}));
    EXPECT_EQ(job.ExportTotal(), 2);  // attachment records are counted apart
    EXPECT_EQ(job.AttachTotal(), 1);
}

TEST(ExportJob, AttachmentNameWithItsBlankIsTriedFirst) {
    Store s;
    WriteFile(s.dir.File(" spaced.eml"), "Subject: with blank\r\n\r\nx");
    WriteFile(s.dir.File("plain.eml"), "Subject: trimmed\r\n\r\ny");
    const auto box = s.Box("m.mbx", Mail("m",
                                         "X-Becky-Attachment-File: spaced.eml\r\n"
                                         "X-Becky-Attachment-File: plain.eml\r\n"));
    RecordingHost host;
    ExportJob job(s.dir.File("out.REN"), {{box, s.AttachDir()}}, RecordOptions{}, host);
    job.Run();
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_NE(ren.find("#Twith blank"), std::string::npos);
    EXPECT_NE(ren.find("#Ttrimmed"), std::string::npos);
}

TEST(ExportJob, AbortStopsAfterTheCurrentMessage) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("a1") + Mail("a2"));
    const auto b = s.Box("b.mbx", Mail("b1") + Mail("b2") + Mail("b3"));
    RecordingHost host;
    host.StopAfterEvents(3);  // noticed after b1
    ExportJob job(s.dir.File("out.REN"), {{a, ""}, {b, ""}}, RecordOptions{}, host);
    job.Run();
    EXPECT_TRUE(job.Aborted());
    EXPECT_EQ(job.ExportTotal(), 2);      // the first mailbox only
    EXPECT_EQ(job.MessagesWritten(), 3);  // what the file holds
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_EQ(CountRecords(ren), 3);
    EXPECT_EQ(ren.find("#Tb2"), std::string::npos);
}

// A stop that arrives after the last message of a mailbox was tested, while the mailbox ends,
// is noticed before the next mailbox writes anything.
TEST(ExportJob, AbortIsTestedAfterEachMailbox) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("a1") + Mail("a2") + "\r\n");
    const auto b = s.Box("b.mbx", Mail("b1"));
    RecordingHost host;
    host.stopWhen = [&host] { return host.abortTests >= 3; };  // a1's and a2's see no stop
    ExportJob job(s.dir.File("out.REN"), {{a, ""}, {b, ""}}, RecordOptions{}, host);
    job.Run();
    EXPECT_TRUE(job.Aborted());
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_EQ(CountRecords(ren), 2);
    EXPECT_EQ(ren.find("#Tb1"), std::string::npos);
}

TEST(ExportJob, SecondRunReplacesTheFile) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("a1") + Mail("a2"));
    const auto b = s.Box("b.mbx", Mail("b1"));
    RecordingHost host;
    ExportJob(s.dir.File("out.REN"), {{a, ""}}, RecordOptions{}, host).Run();
    ExportJob(s.dir.File("out.REN"), {{b, ""}}, RecordOptions{}, host).Run();
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_EQ(CountRecords(ren), 1);
    EXPECT_NE(ren.find("#Tb1"), std::string::npos);
}

TEST(ExportJob, ErrorNamesTheMessageAndKeepsEveryEarlierRecord) {
    Store s;
    const auto a =
        s.Box("a.mbx", Mail("a1") + Mail("a2", "Date: Tue, 32 Mar 1999 12:00:00\r\n") + Mail("a3"));
    RecordingHost host;
    ExportJob job(s.dir.File("out.REN"), {{a, ""}}, RecordOptions{}, host);
    try {
        job.Run();
        ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("a.mbx"), std::string::npos) << what;
        EXPECT_NE(what.find(" 2 通目"), std::string::npos) << what;
    }
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_EQ(ren, ren.substr(0, ren.find("#E\r\n\r\n") + 6));  // one complete record
    EXPECT_EQ(CountRecords(ren), 1);
}

// A Date that is no date: the host's answer writes the mail without one, for this mail or for
// all of the run, or ends the run as before.
TEST(ExportJob, BadDatesAreWrittenUndatedAsTheHostAnswers) {
    using A = BadDateAnswer;
    struct Row {
        std::vector<A> answers;
        std::size_t asked;
        int records;  // -1: the run ends with the error
        const char* reason;
    } rows[] = {
        {{}, 1, -1, "no answer: stop, as without the question"},
        {{A::kUndated, A::kUndated}, 2, 3, "asked for each"},
        {{A::kAllUndated}, 1, 3, "asked once for the run"},
        {{A::kUndated, A::kStop}, 2, -1, "stopped at the second"},
    };
    const std::string bad = "Date: Tue, 32 Mar 1999 12:00:00\r\n";
    for (const Row& row : rows) {
        Store s;
        const auto a = s.Box("a.mbx", Mail("a1", bad) + Mail("a2") + Mail("a3", bad));
        RecordingHost host;
        host.dateAnswers = row.answers;
        ExportJob job(s.dir.File("out.REN"), {{a, ""}}, RecordOptions{}, host);
        if (row.records < 0) {
            EXPECT_THROW(job.Run(), ConvertError) << row.reason;
        } else {
            job.Run();
            const std::string ren = ReadFile(s.dir.File("out.REN"));
            EXPECT_EQ(CountRecords(ren), row.records) << row.reason;
            EXPECT_NE(ren.find("#Ta1\r\n#K＠差出人\r\n#K不明＠送信日時"), std::string::npos)
                << row.reason;
            EXPECT_EQ(job.Undated(), 2) << row.reason;
        }
        ASSERT_EQ(host.badDates.size(), row.asked) << row.reason;
        EXPECT_EQ(host.badDates[0].number, 1) << row.reason;
        EXPECT_EQ(host.badDates[0].value, "Tue, 32 Mar 1999 12:00:00") << row.reason;
    }
}

// The decoding mode reads the mail as a person does and counts what Shift-JIS lacks.
TEST(ExportJob, DecodingModeWritesTheReadableTextAndCountsMissingCharacters) {
    Store s;
    const auto a = s.Box("a.mbx",
                         "Subject: =?utf-8?b?44GC8J+YgA==?=\r\nContent-Type: text/plain; "
                         "charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                         "44GE8J+YgA==\r\n.\r\n");
    RecordOptions options;
    options.decode = true;
    RecordingHost host;
    ExportJob job(s.dir.File("out.REN"), {{a, ""}}, options, host);
    job.Run();
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_NE(ren.find("#Tあ〓\r\n"), std::string::npos) << ren;
    EXPECT_NE(ren.find("\r\nい〓\r\n#E"), std::string::npos) << ren;
    EXPECT_EQ(job.Unmapped(), 2u);
    EXPECT_EQ(host.FiguresOf<ExportFigures>().back(), (ExportFigures{1, 1, 0, true, 2}));

    ExportJob plain(s.dir.File("plain.REN"), {{a, ""}}, RecordOptions{}, host);
    plain.Run();
    EXPECT_NE(ReadFile(s.dir.File("plain.REN")).find("44GE8J+YgA=="), std::string::npos)
        << "without the mode the body stays as stored";
}

// An attached mail that cannot be converted is named itself, not as a message of the mailbox;
// the record of the mail it belongs to is already in the file and stays there.
TEST(ExportJob, BadAttachmentNamesTheAttachedFileAndKeepsItsMailsRecord) {
    Store s;
    WriteFile(s.dir.File("bad.eml"), "Subject: bad\r\nDate: Tue, 32 Mar 1999 12:00:00\r\n\r\nx");
    const auto box =
        s.Box("m.mbx", Mail("owner", "X-Becky-Attachment-File: bad.eml\r\n") + Mail("later"));
    RecordingHost host;
    ExportJob job(s.dir.File("out.REN"), {{box, s.AttachDir()}}, RecordOptions{}, host);
    try {
        job.Run();
        ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
        const std::string what = e.what();
        EXPECT_EQ(what.find("添付メール \"" + s.dir.File("bad.eml") + "\" を変換できません: "), 0u)
            << what;
    }
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_EQ(CountRecords(ren), 1);
    EXPECT_NE(ren.find("#Towner"), std::string::npos);
    EXPECT_EQ(ren.find("#Tlater"), std::string::npos);
}

TEST(ExportJob, MissingMailboxAndUncreatableOutputAreErrors) {
    Store s;
    RecordingHost host;
    EXPECT_THROW(
        ExportJob(s.dir.File("out.REN"), {{s.dir.File("gone.mbx"), ""}}, RecordOptions{}, host)
            .Run(),
        IoError);
    EXPECT_THROW(ExportJob(s.dir.File("no-folder") + "/x.REN", {}, RecordOptions{}, host).Run(),
                 IoError);
}

// The run must never empty or overwrite one of its own mailbox files, however the output
// reaches it; the check comes before the REN file is created.
TEST(ExportJob, RefusesAnOutputThatIsOneOfItsInputs) {
    Store s;
    const std::string box = Mail("m1") + Mail("m2");
    const auto input = s.Box("box.REN", box);
    const auto other = s.Box("other.mbx", Mail("o"));
    const char sep = platform::FolderSeparator();
    struct Case {
        std::string output;
        const char* reason;
    };
    std::vector<Case> cases = {
        {input, "the same name"},
        {s.dir.File(std::string(".") + sep + "box.REN"), "another spelling of the name"},
    };
#ifdef _WIN32
    cases.push_back({s.dir.File("BOX.ren"), "letter case is ignored on Windows"});
#else
    ASSERT_EQ(::symlink(input.c_str(), s.dir.File("soft.REN").c_str()), 0);
    ASSERT_EQ(::link(input.c_str(), s.dir.File("hard.REN").c_str()), 0);
    cases.push_back({s.dir.File("soft.REN"), "a symbolic link to the input"});
    cases.push_back({s.dir.File("hard.REN"), "a hard link to the input"});
#endif
    for (const Case& c : cases) {
        RecordingHost host;
        ExportJob job(c.output, {{other, ""}, {input, ""}}, RecordOptions{}, host);
        try {
            job.Run();
            ADD_FAILURE() << c.reason << ": no error";
        } catch (const Error& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(c.output), std::string::npos) << c.reason << ": " << what;
            EXPECT_NE(what.find(input), std::string::npos) << c.reason << ": " << what;
        }
        EXPECT_EQ(ReadFile(input), box) << c.reason;
        EXPECT_TRUE(host.texts.empty()) << c.reason << ": nothing was read";
    }
}

// A typo in a mailbox name, or a folder given as one, must not cost yesterday's REN file.
TEST(ExportJob, InputsAreCheckedBeforeTheOutputIsEmptied) {
    Store s;
    const auto good = s.Box("good.mbx", Mail("g"));
    WriteFile(s.dir.File("out.REN"), "yesterday");
    struct Case {
        std::string input;
        const char* says;
    };
    const Case cases[] = {
        {s.dir.File("gone.mbx"), "はありません"},
        {s.dir.Path(), "フォルダー"},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        ExportJob job(s.dir.File("out.REN"), {{good, ""}, {c.input, ""}}, RecordOptions{}, host);
        try {
            job.Run();
            ADD_FAILURE() << c.input << ": no error";
        } catch (const IoError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(c.input), std::string::npos) << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << what;
        }
        EXPECT_EQ(ReadFile(s.dir.File("out.REN")), "yesterday");
    }
}

#ifndef _WIN32
// A full disk: the error names the REN file and the system's reason, not a message that
// could not be converted, and the file keeps whole records only.
TEST(ExportJob, FullDiskKeepsWholeRecordsAndNamesTheRenFile) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("a1") + Mail(std::string(4000, 'x')));
    RecordingHost host;
    ExportJob job(s.dir.File("out.REN"), {{a, ""}}, RecordOptions{}, host);
    // the first record fits, the second does not
    const std::string what = test::IoErrorOnFullDisk(1000, [&] { job.Run(); });
    EXPECT_NE(what.find(s.dir.File("out.REN") + "\" に書き込めません: "), std::string::npos)
        << what;
    EXPECT_EQ(what.find("通目"), std::string::npos) << what;
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_EQ(CountRecords(ren), 1);
    EXPECT_EQ(ren.size(), ren.find("#E\r\n\r\n") + 6);
}

// An attachment name that is a link inside the attachments folder, pointing outside it.
TEST(ExportJob, AttachmentLinkOutOfTheFolderIsSkipped) {
    Store s;
    ASSERT_TRUE(std::filesystem::create_directory(s.dir.File("Attach")));
    const std::string attach = s.dir.File("Attach") + "/";
    WriteFile(s.dir.File("secret.eml"), "Subject: secret\r\n\r\nx");
    WriteFile(attach + "inside.eml", "Subject: inside\r\n\r\ny");
    ASSERT_EQ(::symlink(s.dir.File("secret.eml").c_str(), (attach + "link.eml").c_str()), 0);
    ASSERT_EQ(::symlink(s.dir.Path().c_str(), (attach + "up").c_str()), 0);
    const auto box = s.Box("m.mbx", Mail("m",
                                         "X-Becky-Attachment-File: link.eml\r\n"
                                         "X-Becky-Attachment-File: up/secret.eml\r\n"
                                         "X-Becky-Attachment-File: inside.eml\r\n"));
    RecordingHost host;
    ExportJob job(s.dir.File("out.REN"), {{box, attach}}, RecordOptions{}, host);
    job.Run();
    const std::string ren = ReadFile(s.dir.File("out.REN"));
    EXPECT_EQ(ren.find("#Tsecret"), std::string::npos);
    EXPECT_NE(ren.find("#Tinside"), std::string::npos);
    EXPECT_EQ(job.AttachTotal(), 1);
}
#endif

TEST(ExportJob, EmptyMailboxWritesAndShowsNothing) {
    Store s;
    const auto a = s.Box("a.mbx", "");
    RecordingHost host;
    ExportJob job(s.dir.File("out.REN"), {{a, ""}}, RecordOptions{}, host);
    job.Run();
    EXPECT_TRUE(host.figures.empty());
    EXPECT_EQ(ReadFile(s.dir.File("out.REN")), "");
}

TEST(AttachmentPath, KeepsNamesInsideTheFolder) {
    const char sep = platform::FolderSeparator();
    const std::string dir = std::string("att") + sep;
    struct Case {
        const char* name;
        bool allowed;
        const char* reason;
    };
    const Case cases[] = {
        {"a.eml", true, "plain name"},
        {" a.eml", true, "leading blank kept"},
        {"sub\\a.eml", true, "sub-folder"},
        {"sub/a.eml", true, "sub-folder with a slash"},
        {"..\\a.eml", false, "parent folder"},
        {"sub\\..\\..\\a.eml", false, "parent inside"},
        {".. \\a.eml", false, "parent with a trailing blank"},
        {"\\a.eml", false, "leading backslash"},
        {"/etc/a.eml", false, "absolute path"},
        {"C:\\a.eml", false, "drive letter"},
        {"a.eml:stream", false, "a colon anywhere"},
        {"CON.eml", false, "device name"},
        {"nul.EML", false, "device name in lower case"},
        {"sub\\COM1.eml", false, "device in a sub-folder"},
        {"LPT9 .eml", false, "device with a blank"},
        {"COM0.eml", true, "COM0 is no device"},
        {"CONSOLE.eml", true, "longer name"},
        {"表\\a.eml", true, "Shift-JIS name with a 0x5C trail byte"},
    };
    for (const auto& c : cases) {
        const std::string path = AttachmentPath(dir, c.name);
        EXPECT_EQ(!path.empty(), c.allowed) << c.reason;
    }
    EXPECT_EQ(AttachmentPath(dir, "sub\\a.eml"), dir + "sub" + sep + "a.eml");
    EXPECT_EQ(AttachmentPath(dir, "表\\a.eml"), dir + "表" + sep + "a.eml");
}

}  // namespace
}  // namespace tavori
