#include "jobs/dedupe_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <vector>

#include "base/errors.h"
#include "file_size_limit.h"
#include "jobs/job_files.h"
#include "mailstore/mailbox.h"
#include "recording_host.h"
#include "test_support.h"

namespace tavori {
namespace {

using test::ReadFile;
using test::RecordingHost;
using test::ScratchDir;
using test::WriteFile;

using Outcome = DedupeFigures::Outcome;

// Stops the job after a number of messages in one pass: the scan (pass 1) or the copy pass.
void StopInPass(RecordingHost& host, std::size_t pass, int messages) {
    host.stopWhen = [&host, pass, messages] {
        return host.texts.size() == pass && host.textEvents >= messages;
    };
}

// A mail with the header lines that are given; the date is a day of March 1999.
std::string Mail(const std::string& subject, int day, const std::string& id,
                 const std::string& body) {
    std::string text = "Subject: " + subject + "\r\n";
    if (day > 0) text += "Date: " + std::to_string(day) + " Mar 1999 10:00:00 +0900\r\n";
    if (!id.empty()) text += "Message-Id: " + id + "\r\n";
    return text + "\r\n" + body + "\r\n.\r\n";
}

// Mailboxes in a scratch folder that must read the same after every job.
struct Store {
    ScratchDir dir;
    std::map<std::string, std::string> written;
    std::string Box(const std::string& name, const std::string& text) {
        WriteFile(dir.File(name), text);
        written[dir.File(name)] = text;
        return dir.File(name);
    }
    void ExpectInputsUnchanged() const {
        for (const auto& [path, text] : written) EXPECT_EQ(ReadFile(path), text) << path;
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.File(name)); }
};

// The figures of a cleanup that has ended: counted messages last, the totals, the outcome.
DedupeFigures Ended(int counted, int total, int output, Outcome outcome, int pairs = 0) {
    return {counted, true, total, output, outcome, pairs};
}

TEST(DedupeJob, NoRepeatedPairCreatesAndChangesNothing) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("x", 1, "<1>", "1") + Mail("x", 2, "<2>", "2"));
    const auto b = s.Box("b.mbx", Mail("y", 1, "<3>", "3"));
    s.Box("Origin.mbx", "an older result");
    RecordingHost host;
    host.replace = true;
    DedupeJob job({a, b}, {s.dir.File("Origin.mbx"), s.dir.File("DupBox.mbx")}, host);
    job.Run();
    EXPECT_EQ(job.Figures(), Ended(3, 3, 3, Outcome::kNoRepeats));
    EXPECT_EQ(job.OutputCount(), -1);
    EXPECT_FALSE(s.Exists("DupBox.mbx"));
    EXPECT_EQ(host.FiguresOf<DedupeFigures>().back(), job.Figures());
    s.ExpectInputsUnchanged();
}

// Which copy goes where, in reading order: rows of mailboxes, and the files expected.
TEST(DedupeJob, KeepsTheFirstCopyWithTheRememberedId) {
    const std::string a1 = Mail("A", 1, "<a>", "a1"), a2 = Mail("A", 1, "<a>", "a2"),
                      a3 = Mail("A", 1, "<a>", "a3"), b = Mail("B", 1, "<b>", "b"),
                      d = Mail("D", 1, "<d>", "d");
    const std::string other = Mail("A", 1, "<other>", "other"), noId = Mail("A", 1, "", "no id"),
                      undated1 = Mail("A", 0, "<a>", "u1"), undated2 = Mail("A", 0, "<a>", "u2"),
                      lower = Mail("a", 1, "<a>", "lower");
    struct Row {
        std::vector<std::string> boxes;
        std::string unique, surplus;
        int total, output, pairs;
        const char* reason;
    };
    const Row rows[] = {
        {{a1 + b, a2},
         a1 + b,
         a2,
         3,
         2,
         1,
         "the same mail in two mailboxes: the first in list order is kept"},
        {{a1 + other},
         a1,
         other,
         2,
         1,
         1,
         "different Message-Ids: the first copy's id is remembered"},
        {{noId + a1}, a1, noId, 2, 1, 1, "a first copy without id gives way to the first with one"},
        {{undated1 + undated2 + a1, a2},
         undated1 + undated2 + a1,
         a2,
         4,
         3,
         1,
         "mails without a date are always kept"},
        {{a1 + lower + a2},
         a1 + lower,
         a2,
         3,
         2,
         1,
         "subjects differing in letter case are different keys"},
        {{a1 + b + a2 + d, a3},
         a1 + b + d,
         a2 + a3,
         5,
         3,
         1,
         "three copies: the figure is the messages less the surplus copies"},
        {{a1 + b, b + a2, b}, a1 + b, b + a2 + b, 5, 2, 2, "two pairs"},
    };
    for (const Row& row : rows) {
        Store s;
        std::vector<std::string> boxes;
        for (std::size_t i = 0; i < row.boxes.size(); ++i)
            boxes.push_back(s.Box("in" + std::to_string(i) + ".mbx", row.boxes[i]));
        RecordingHost host;
        DedupeJob job(boxes, {s.dir.File("Origin.mbx"), s.dir.File("DupBox.mbx")}, host);
        job.Run();
        EXPECT_EQ(ReadFile(s.dir.File("Origin.mbx")), row.unique) << row.reason;
        EXPECT_EQ(ReadFile(s.dir.File("DupBox.mbx")), row.surplus) << row.reason;
        EXPECT_EQ(job.Figures(),
                  Ended(row.output, row.total, row.output, Outcome::kRepeats, row.pairs))
            << row.reason;
        EXPECT_EQ(job.OutputCount(), row.output)
            << row.reason << ": the figure is what was written";
        EXPECT_EQ(host.texts, (std::vector<std::string>{"メールボックスをスキャン中...",
                                                        "重複メールを整理中です..."}));
        EXPECT_EQ(host.maximum, static_cast<std::uint64_t>(job.MessageCount()));
        EXPECT_EQ(host.position, host.maximum) << "one step per message";
        s.ExpectInputsUnchanged();
    }
}

TEST(DedupeJob, WithoutDuplicatePathSurplusGoesNowhere) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("A", 1, "<a>", "1") + Mail("A", 1, "<a>", "2"));
    s.Box("DupBox.mbx", "not ours");
    RecordingHost host;
    DedupeJob({a}, {s.dir.File("Origin.mbx"), ""}, host).Run();
    EXPECT_EQ(ReadFile(s.dir.File("Origin.mbx")), Mail("A", 1, "<a>", "1"));
    s.ExpectInputsUnchanged();  // DupBox.mbx too
}

TEST(DedupeJob, MailWithoutHeaderIsKeptAndReadsBackAsItself) {
    Store s;
    const auto a =
        s.Box("a.mbx", "just a body\r\n.\r\n" + Mail("A", 1, "", "1") + Mail("A", 1, "", "2"));
    RecordingHost host;
    DedupeJob job({a}, {s.dir.File("Origin.mbx"), ""}, host);
    job.Run();
    EXPECT_EQ(job.OutputCount(), 2);
    TMailBox box;
    box.Open(s.dir.File("Origin.mbx"));
    ASSERT_TRUE(box.ReadMessage());
    EXPECT_FALSE(box.HasHeader());
    EXPECT_EQ(box.Body(), "just a body");
}

TEST(DedupeJob, AbortInTheScanCreatesNoFile) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("A", 1, "<a>", "1") + Mail("A", 1, "<a>", "2"));
    RecordingHost host;
    StopInPass(host, 1, 1);
    DedupeJob job({a}, {s.dir.File("Origin.mbx"), s.dir.File("DupBox.mbx")}, host);
    job.Run();
    EXPECT_TRUE(job.Aborted());
    EXPECT_EQ(job.Figures(), (DedupeFigures{1, false, 0, 0, Outcome::kAborted, 0}));
    EXPECT_FALSE(s.Exists("Origin.mbx"));
    EXPECT_FALSE(s.Exists("DupBox.mbx"));
}

TEST(DedupeJob, AbortInTheCopyPassKeepsWhatWasWritten) {
    Store s;
    const std::string a1 = Mail("A", 1, "<a>", "1"), a2 = Mail("A", 1, "<a>", "2"),
                      b = Mail("B", 1, "<b>", "b"), c = Mail("C", 1, "<c>", "c");
    const auto box = s.Box("a.mbx", a1 + a2 + b + c);
    RecordingHost host;
    StopInPass(host, 2, 2);  // noticed after b is written
    DedupeJob job({box}, {s.dir.File("Origin.mbx"), s.dir.File("DupBox.mbx")}, host);
    job.Run();
    EXPECT_TRUE(job.Aborted());
    EXPECT_EQ(ReadFile(s.dir.File("Origin.mbx")), a1 + b);
    EXPECT_EQ(ReadFile(s.dir.File("DupBox.mbx")), a2);
    EXPECT_EQ(job.Figures(), Ended(2, 4, 2, Outcome::kAborted, 1));
    s.ExpectInputsUnchanged();
}

TEST(DedupeJob, RefusesAnOutputThatIsAnInputOrTheOtherOutput) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("A", 1, "<a>", "1") + Mail("A", 1, "<a>", "2"));
    const auto b = s.Box("b.mbx", Mail("B", 1, "<b>", "b"));
    const DedupeOptions rows[] = {
        {b, ""},
        {s.dir.File("Origin.mbx"), a},
        {s.dir.File("Same.mbx"), s.dir.File("Same.mbx")},
    };
    for (const DedupeOptions& row : rows) {
        RecordingHost host;
        EXPECT_THROW(DedupeJob({a, b}, row, host).Run(), SameFileError) << row.uniquePath;
        EXPECT_TRUE(host.texts.empty()) << "nothing was read";
        EXPECT_FALSE(s.Exists("Origin.mbx"));
        EXPECT_FALSE(s.Exists("Same.mbx"));
        s.ExpectInputsUnchanged();
    }
}

#ifndef _WIN32
// Outputs that links make one file, where neither exists yet: refused before anything is read,
// and nothing is made where the links lead.
TEST(DedupeJob, RefusesOutputsThatLinksMakeOneFile) {
    Store s;
    const auto a = s.Box("a.mbx", Mail("A", 1, "<a>", "1") + Mail("A", 1, "<a>", "2"));
    std::filesystem::create_directories(s.dir.File("sub/deep"));
    std::filesystem::create_directory_symlink(s.dir.File("sub/deep"), s.dir.File("lnk"));
    std::filesystem::create_symlink(s.dir.File("target.mbx"), s.dir.File("u.mbx"));
    std::filesystem::create_symlink("target.mbx", s.dir.File("d.mbx"));
    const DedupeOptions rows[] = {
        {s.dir.File("u.mbx"), s.dir.File("d.mbx")},
        {s.dir.File("lnk/../x.mbx"), s.dir.File("sub/x.mbx")},
    };
    for (const DedupeOptions& row : rows) {
        RecordingHost host;
        EXPECT_THROW(DedupeJob({a}, row, host).Run(), SameFileError) << row.uniquePath;
        EXPECT_TRUE(host.texts.empty()) << "nothing was read";
        EXPECT_FALSE(s.Exists("target.mbx"));
        EXPECT_FALSE(s.Exists("sub/x.mbx"));
    }
    s.ExpectInputsUnchanged();
}
#endif

// A mailbox with mails in it is replaced only when the host says so; an empty one needs no
// question. A no ends the job before anything is read or created.
TEST(DedupeJob, AsksBeforeReplacingAMailboxWithMails) {
    struct Row {
        std::string origin, dupBox;  // what the outputs hold before; "-": missing
        bool answer;
        bool asked, replaced;
        const char* reason;
    };
    const Row rows[] = {
        {"an older result", "-", false, true, false, "a no keeps the file"},
        {"an older result", "-", true, true, true, "a yes replaces it"},
        {"-", "surplus kept", false, true, false, "the surplus mailbox is asked for too"},
        {"", "-", false, false, true, "an empty file holds nothing to lose"},
    };
    const std::string a1 = Mail("A", 1, "<a>", "1"), a2 = Mail("A", 1, "<a>", "2");
    for (const Row& row : rows) {
        Store s;
        const auto a = s.Box("a.mbx", a1 + a2);
        if (row.origin != "-") s.Box("Origin.mbx", row.origin);
        if (row.dupBox != "-") s.Box("DupBox.mbx", row.dupBox);
        RecordingHost host;
        host.replace = row.answer;
        DedupeJob job({a}, {s.dir.File("Origin.mbx"), s.dir.File("DupBox.mbx")}, host);
        if (row.replaced) {
            job.Run();
            EXPECT_EQ(ReadFile(s.dir.File("Origin.mbx")), a1) << row.reason;
        } else {
            EXPECT_THROW(job.Run(), ReplaceDeclined) << row.reason;
            EXPECT_TRUE(host.texts.empty()) << row.reason << ": nothing was read";
            s.ExpectInputsUnchanged();
            EXPECT_EQ(s.Exists("Origin.mbx"), row.origin != "-") << row.reason;
            EXPECT_EQ(s.Exists("DupBox.mbx"), row.dupBox != "-") << row.reason;
        }
        EXPECT_EQ(host.asked.size(), row.asked ? 1u : 0u) << row.reason;
    }
}

TEST(DedupeJob, BadDateNamesTheMailboxAndMessage) {
    Store s;
    const auto a = s.Box(
        "a.mbx", Mail("A", 1, "", "1") + "Subject: x\r\nDate: 32 Mar 1999 10:00:00 +0900\r\n\r\nb");
    RecordingHost host;
    try {
        DedupeJob({a}, {s.dir.File("Origin.mbx"), ""}, host).Run();
        ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + a + "\" の 2 通目"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(s.Exists("Origin.mbx"));
}

// Accepted as undated, two mails with the same subject and the same bad Date are no copies:
// both are kept, as mails without a date are.
TEST(DedupeJob, MailsWithABadDateAcceptedAsUndatedAreNeverCopies) {
    Store s;
    const std::string bad = "Subject: x\r\nDate: 32 Mar 1999 10:00:00 +0900\r\n\r\nb\r\n.\r\n";
    const auto a = s.Box("a.mbx", Mail("A", 1, "<1>", "1") + bad + Mail("A", 1, "<1>", "1") + bad);
    RecordingHost host;
    host.dateAnswers = {BadDateAnswer::kAllUndated};
    DedupeJob job({a}, {s.dir.File("Origin.mbx"), ""}, host);
    job.Run();
    EXPECT_EQ(host.badDates.size(), 1u);
    EXPECT_EQ(job.Undated(), 2);
    EXPECT_EQ(host.FiguresOf<DedupeFigures>().back().output, 3) << "one A, both undated";
    s.ExpectInputsUnchanged();
}

// The copy pass and the plan rely on reading the messages the scan read: a mailbox that
// another program changed in between is an error naming it, before any of it is copied.
TEST(DedupeJob, MailboxChangedAfterTheScanIsAnErrorNamingIt) {
    const std::string kept = Mail("A", 1, "<a>", "1"), copy = Mail("A", 1, "<a>", "2");
    struct Row {
        std::function<void(const std::string& path)> change;
        const char* reason;
    };
    const Row rows[] = {
        {[&](const std::string& p) { WriteFile(p, kept + copy + Mail("B", 1, "<b>", "b")); },
         "grown: a mail the scan never saw"},
        {[&](const std::string& p) { WriteFile(p, copy); }, "shrunk: the kept copy is gone"},
        {[&](const std::string& p) {
             WriteFile(p + ".new", kept + copy);
             std::filesystem::rename(p + ".new", p);
         },
         "replaced by another file, even with the same bytes"},
        {[&](const std::string& p) {
             const auto time = std::filesystem::last_write_time(p);
             WriteFile(p, kept + Mail("A", 1, "<a>", "3"));
             std::filesystem::last_write_time(p, time + std::chrono::seconds(2));
         },
         "written over with as many bytes"},
    };
    for (const Row& row : rows) {
        for (const bool inPlan : {false, true}) {
            Store s;
            const auto a = s.Box("a.mbx", kept + copy);
            s.written.erase(a);
            RecordingHost host;
            if (!inPlan)
                host.onText = [&] {
                    if (host.texts.size() == 2) row.change(a);  // between the scan and the copy
                };
            DedupeJob job({a}, {s.dir.File("Origin.mbx"), s.dir.File("DupBox.mbx")}, host);
            try {
                if (inPlan) {
                    job.Scan();
                    row.change(a);
                    job.Plan();
                } else {
                    job.Run();
                }
                ADD_FAILURE() << row.reason << ": no error, plan " << inPlan;
            } catch (const IoError& e) {
                EXPECT_NE(
                    std::string(e.what()).find("\"" + a + "\" はスキャンの後で変更されました"),
                    std::string::npos)
                    << e.what();
            }
            if (inPlan) continue;
            EXPECT_EQ(ReadFile(s.dir.File("Origin.mbx")), "") << row.reason;
            EXPECT_EQ(ReadFile(s.dir.File("DupBox.mbx")), "") << row.reason;
            EXPECT_EQ(job.Figures(), Ended(2, 2, 0, Outcome::kRepeats, 1))
                << row.reason << ": the figures match the file";
        }
    }
}

// A big mailbox is read ahead on other threads while the copy pass writes: a change made
// once it has begun is met where the reading reaches it, and the outputs keep whole
// messages, as many as the figures say.
TEST(DedupeJob, MailboxChangedWhileCopyingEndsTheRunWithWholeMessages) {
    Store s;
    std::string rest;
    for (int i = 0; rest.size() < 24 * 1024 * 1024; ++i)
        rest += Mail("M" + std::to_string(i), 2, "", std::string(16000, 'x'));
    const std::string text = Mail("A", 1, "<a>", "1") + Mail("A", 1, "<a>", "2") + rest;
    const std::string uniques = Mail("A", 1, "<a>", "1") + rest;
    const auto a = s.Box("a.mbx", text);
    s.written.erase(a);
    RecordingHost host;
    host.onEvent = [&] {  // once the copy pass wrote its first mail
        if (host.texts.size() == 2 && host.textEvents == 1)
            std::filesystem::resize_file(a, text.size() / 2);
    };
    DedupeJob job({a}, {s.dir.File("Origin.mbx"), s.dir.File("DupBox.mbx")}, host);
    EXPECT_THROW(job.Run(), IoError);
    const std::string unique = ReadFile(s.dir.File("Origin.mbx"));
    EXPECT_EQ(uniques.compare(0, unique.size(), unique), 0) << "the scan's messages, in order";
    EXPECT_TRUE(unique.size() < text.size() / 2 && unique.size() >= 5 &&
                unique.compare(unique.size() - 5, 5, "\r\n.\r\n") == 0)
        << unique.size();
    int written = 0;
    for (std::size_t at = 0; (at = unique.find("\r\n.\r\n", at)) != std::string::npos; at += 5)
        ++written;
    EXPECT_EQ(job.OutputCount(), written);
    EXPECT_TRUE(job.Figures().totals);
    EXPECT_EQ(job.Figures().output, written);
}

#ifndef _WIN32
// A full disk: the error names the unique mailbox, which keeps whole messages only.
TEST(DedupeJob, WriteErrorKeepsWholeMessagesAndNamesTheFile) {
    Store s;
    const std::string a1 = Mail("A", 1, "<a>", "1"),
                      big = Mail("B", 1, "<b>", std::string(4000, 'x'));
    const auto a = s.Box("a.mbx", a1 + Mail("A", 1, "<a>", "2") + big);
    RecordingHost host;
    DedupeJob job({a}, {s.dir.File("Origin.mbx"), ""}, host);
    const std::string what = test::IoErrorOnFullDisk(1000, [&] { job.Run(); });
    EXPECT_NE(what.find(s.dir.File("Origin.mbx") + "\" に書き込めません: "), std::string::npos)
        << what;
    EXPECT_EQ(ReadFile(s.dir.File("Origin.mbx")), a1);
    // Both mails were counted as they were gathered; the totals say what the file holds.
    EXPECT_EQ(job.Figures(), Ended(2, 3, 1, Outcome::kRepeats, 1));
    s.ExpectInputsUnchanged();
}
#endif

// Random mailboxes against a model of the rule; the dry run's plan must be what the copy pass
// then does.
TEST(DedupeJob, PlanMatchesTheCopyPassAndTheRule) {
    std::mt19937 random(20240531);
    const char* subjects[] = {"S", "s", "T"};
    const char* ids[] = {"", "<1>", "<2>"};
    for (int round = 0; round < 40; ++round) {
        Store s;
        struct Message {
            std::string text, box;
            int number;
            std::string key, id;
            int day;
        };
        std::vector<Message> messages;
        std::vector<std::string> boxes;
        for (int b = 0; b < 3; ++b) {
            const std::string path = s.dir.File("in" + std::to_string(b) + ".mbx");
            std::string text;
            const int n = static_cast<int>(random() % 8);
            for (int m = 0; m < n; ++m) {
                const std::string subject = subjects[random() % 3], id = ids[random() % 3];
                const int day = static_cast<int>(random() % 3);
                const std::string mail = Mail(subject, day, id, std::to_string(messages.size()));
                messages.push_back(
                    {mail, path, m + 1, subject + "/" + std::to_string(day), id, day});
                text += mail;
            }
            boxes.push_back(s.Box("in" + std::to_string(b) + ".mbx", text));
        }
        // The model: the remembered id is a pair's first non-empty one; the first copy
        // carrying it is kept.
        std::map<std::string, int> copies;
        std::map<std::string, std::string> remembered;
        for (const Message& m : messages) {
            if (m.day == 0) continue;
            ++copies[m.key];
            if (remembered[m.key].empty()) remembered[m.key] = m.id;
        }
        std::string unique, surplus;
        std::map<std::string, bool> done;
        std::map<std::pair<std::string, int>, bool> keptAt;
        for (const Message& m : messages) {
            bool keep = m.day == 0 || copies[m.key] == 1;
            if (!keep && !done[m.key] && m.id == remembered[m.key]) keep = done[m.key] = true;
            (keep ? unique : surplus) += m.text;
            if (m.day != 0 && copies[m.key] > 1) keptAt[{m.box, m.number}] = keep;
        }

        RecordingHost host;
        DedupeJob dry(boxes, {s.dir.File("Origin.mbx"), s.dir.File("DupBox.mbx")}, host);
        dry.Scan();
        std::map<std::pair<std::string, int>, bool> planned;
        for (const DedupeJob::Pair& pair : dry.Plan())
            for (const DedupeJob::Copy& copy : pair.copies)
                planned[{copy.mailbox, copy.number}] = copy.kept;
        EXPECT_EQ(planned, keptAt) << "round " << round;
        EXPECT_FALSE(s.Exists("Origin.mbx"));

        DedupeJob job(boxes, {s.dir.File("Origin.mbx"), s.dir.File("DupBox.mbx")}, host);
        job.Run();
        EXPECT_EQ(job.Figures().total, dry.Figures().total) << "round " << round;
        EXPECT_EQ(job.Figures().output, dry.Figures().output) << "round " << round;
        if (job.RepeatedPairs() == 0) continue;
        EXPECT_EQ(ReadFile(s.dir.File("Origin.mbx")), unique) << "round " << round;
        EXPECT_EQ(ReadFile(s.dir.File("DupBox.mbx")), surplus) << "round " << round;
        s.ExpectInputsUnchanged();
    }
}

}  // namespace
}  // namespace tavori
