// Reading mailbox files: the separator search over buffer loads, BytesRead, the reading loop.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/errors.h"
#include "mailstore/mailbox.h"
#include "mailstore/parse_ahead.h"
#include "test_support.h"

namespace tavori {
namespace {

using namespace std::string_literals;
using test::ScratchDir;
using test::WriteFile;

struct Read {
    std::string header, body;
    std::uint64_t bytesRead;
    std::vector<std::string> fields;  // the values of kFieldNames, then collected markers
};

// Fields asked for, named in advance (found by the second thread) or not, in other cases.
const std::vector<std::string> kFieldsWanted = {
    "Subject:", "S:", "To:", "X-Long-Field-Name:", "Date:"};
const std::string kMarkerWanted = "To: ";
const std::vector<std::string> kFieldNames = {
    "Subject:", "subject:", "S:", "From:", "To:", "X-Long-Field-Name:", "X-Long-Field-Name"};

std::vector<std::string> FieldsOf(const TMailBox& box) {
    std::vector<std::string> values;
    for (const std::string& name : kFieldNames) values.push_back(box.GetField(name));
    values.push_back(box.CollectField(kMarkerWanted));
    values.push_back(box.CollectField("S"));
    try {  // read where the message is parsed when named in advance
        values.push_back(std::to_string(box.GetDate()));
    } catch (const ConvertError& e) {
        values.push_back(e.what());
    }
    return values;
}

constexpr std::uint64_t kNeverAhead = ~std::uint64_t{0};

// The reading loop of the jobs: every message that ReadMessage reports.
std::vector<Read> ReadWith(const std::string& path, std::uint64_t aheadFrom,
                           std::uint64_t* size = nullptr, bool wantBody = true) {
    TMailBox box;
    box.Open(path, 0,
             {.body = wantBody, .fields = {kFieldsWanted, kMarkerWanted}, .aheadFrom = aheadFrom});
    EXPECT_TRUE(box.Opened());
    if (size) *size = box.GetFileSize();
    std::vector<Read> out;
    while (!box.AtEnd())
        if (box.ReadMessage())
            out.push_back({box.Header(), box.Body(), box.BytesRead(), FieldsOf(box)});
    return out;
}

void ExpectSameMessages(const std::vector<Read>& got, const std::vector<Read>& want,
                        const std::string& what);

// Read directly and on the second thread, which must not make a difference, whichever thread
// parses the batches, and whether the lines are indexed where they are parsed or by the job.
std::vector<Read> ReadAll(const std::string& path, std::uint64_t* size = nullptr) {
    std::vector<Read> direct = ReadWith(path, kNeverAhead, size);
    using Parsing = ParseAhead::Parsing;
    const struct {
        Parsing parsing;
        bool indexLines;
        const char* how;
    } ways[] = {{Parsing::kShared, true, "shared out"},
                {Parsing::kReader, true, "all by the second thread"},
                {Parsing::kJob, true, "all by the job"},
                {Parsing::kReader, false, "by the second thread, lines indexed by the job"}};
    for (const auto& way : ways) {
        ParseAhead::SetParsingForTests(way.parsing, way.indexLines);
        ExpectSameMessages(ReadWith(path, 0), direct,
                           std::string("read on a second thread, parsed ") + way.how);
    }
    ParseAhead::SetParsingForTests(Parsing::kShared);
    // A reader of header fields only gets the same messages with empty bodies.
    std::vector<Read> headersOnly = direct;
    for (Read& read : headersOnly) read.body.clear();
    ExpectSameMessages(ReadWith(path, kNeverAhead, nullptr, false), headersOnly, "without body");
    ExpectSameMessages(ReadWith(path, 0, nullptr, false), headersOnly,
                       "without body, on a second thread");
    return direct;
}

// Slow, obviously correct reading: split the whole text at each separator.
std::vector<Read> ReferenceRead(std::string_view text) {
    std::vector<Read> out;
    std::size_t pos = 0;
    TMailBox parser;
    while (pos < text.size()) {
        std::size_t sep = text.find(TMailBox::kSeparator, pos);
        std::size_t end = sep == std::string_view::npos ? text.size() : sep;
        std::size_t next = sep == std::string_view::npos ? text.size() : sep + 5;
        parser.SetMessage(text.substr(pos, end - pos));
        if (parser.HasHeader() || !parser.Body().empty())
            out.push_back({parser.Header(), parser.Body(), next, FieldsOf(parser)});
        pos = next;
    }
    return out;
}

void ExpectSameMessages(const std::vector<Read>& got, const std::vector<Read>& want,
                        const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].header, want[i].header) << what << " message " << i;
        EXPECT_EQ(got[i].body, want[i].body) << what << " message " << i;
        EXPECT_EQ(got[i].bytesRead, want[i].bytesRead) << what << " message " << i;
        EXPECT_EQ(got[i].fields, want[i].fields) << what << " message " << i;
    }
}

TEST(MailBoxRead, EmptyFileIsAtEndRightAfterOpen) {
    ScratchDir dir;
    WriteFile(dir.File("empty.mbx"), "");
    TMailBox box;
    box.Open(dir.File("empty.mbx"));
    EXPECT_TRUE(box.Opened());
    EXPECT_TRUE(box.AtEnd());
    EXPECT_EQ(box.GetFileSize(), 0u);
}

TEST(MailBoxRead, MissingFileIsNoErrorButReadingIsOne) {
    ScratchDir dir;
    TMailBox box;
    box.Open(dir.File("missing.mbx"));
    EXPECT_FALSE(box.Opened());
    EXPECT_FALSE(box.AtEnd());
    EXPECT_EQ(box.FileName(), dir.File("missing.mbx"));
    EXPECT_THROW(box.GetFileSize(), IoError);
    try {
        box.ReadMessage();
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.mbx"), std::string::npos) << e.what();
    }
}

TEST(MailBoxRead, FolderIsNotAMailboxFile) {
    ScratchDir dir;
    TMailBox box;
    try {
        box.Open(dir.Path());
        ADD_FAILURE() << "a folder was opened as a mailbox file";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find("は通常のファイルではありません"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(box.Opened());
}

TEST(MailBoxRead, SmallFilesFollowTheFormat) {
    struct Case {
        std::string text;
        std::size_t messages;
        const char* reason;
    };
    const Case cases[] = {
        {"A: 1\r\n\r\nbody\r\n.\r\n", 1, "one message with its separator"},
        {"A: 1\r\n\r\nx\r\n.\r\nA: 2\r\n\r\ny", 2, "tail without separator is a message"},
        {"A: 1\r\n\r\nx\r\n.\r\n\r\n", 1, "separator then CR LF: the extra read gives nothing"},
        {"\r\n.\r\n\r\n.\r\nA: 1\r\n\r\nx\r\n.\r\n", 1, "empty messages are skipped"},
        {".\r\nA: 1\r\n\r\nx", 1, "a file starting with a dot line"},
        {"A: 1\r\n\r\nx\r\n.\r\n.\r\n", 2, "a dot right after a separator is a message"},
        {"A: \0 1\r\n\r\nx\0y\r\n.\r\nB: 2\r\n\r\nz"s, 2, "NUL bytes are ordinary bytes"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        WriteFile(dir.File("m.mbx"), c.text);
        std::uint64_t size = 0;
        auto got = ReadAll(dir.File("m.mbx"), &size);
        EXPECT_EQ(got.size(), c.messages) << c.reason;
        ExpectSameMessages(got, ReferenceRead(c.text), c.reason);
        EXPECT_EQ(size, c.text.size()) << c.reason;
    }
}

TEST(MailBoxRead, NulBytesDoNotHideASeparatorOrTheEmptyLine) {
    ScratchDir dir;
    const std::string text("X: \0\r\nSubject: a\r\n\r\nb\0c\r\n.\r\nSubject: d\r\n\r\ne", 43);
    WriteFile(dir.File("zero.mbx"), text);
    auto got = ReadAll(dir.File("zero.mbx"));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].header, std::string("X: \0\r\nSubject: a", 16));
    EXPECT_EQ(got[0].body, std::string("b\0c", 3));
    EXPECT_EQ(got[1].header, "Subject: d");
}

// Separators placed on every offset around the boundaries of the buffer's loads, and of the
// second thread's reads.
TEST(MailBoxRead, SeparatorAcrossBufferLoadsIsFound) {
    for (std::size_t load : {MessageReader::kBufferSize - 1, std::size_t{ParseAhead::kBatchBytes}})
        for (std::size_t shift = 0; shift < 12; ++shift) {
            for (std::size_t loads : {1u, 2u}) {
                std::string text = "S: a\r\n\r\n";
                std::size_t target = load * loads - 6 + shift;
                text.append(target - text.size(), 'x');
                text += "\r\n.\r\nS: b\r\n\r\nsecond";
                ScratchDir dir;
                WriteFile(dir.File("s.mbx"), text);
                std::uint64_t size = 0;
                auto got = ReadAll(dir.File("s.mbx"), &size);
                const std::string what = "shift " + std::to_string(shift);
                ExpectSameMessages(got, ReferenceRead(text), what);
                ASSERT_EQ(got.size(), 2u) << what;
                EXPECT_EQ(got.back().bytesRead, size) << what;
            }
        }
}

TEST(MailBoxRead, RandomMailboxesMatchTheReferenceSplit) {
    std::mt19937 rng(20261208);
    const std::string_view pieces[] = {"\r\n",
                                       ".",
                                       "\r\n.\r\n",
                                       "\r\n\r\n",
                                       "#",
                                       " ",
                                       "Subject: x",
                                       "\x1a",
                                       "abc",
                                       "\r",
                                       "\n",
                                       "\r\n.\r\n\r\n",
                                       "sUBJECT:\ty",
                                       "To: <a@b>\r\n\tc",
                                       "X-Long-Field-Name: v",
                                       "Date: Tue, 8 Dec 2026 20:12:59 +0900",
                                       "Date: 8 Dec 26 9:05 GMT",
                                       "DATE: 31 Feb 2026 1:2:3",
                                       "Date: 8 Dec 2026 noon"};
    for (int round = 0; round < 40; ++round) {
        std::string text;
        std::size_t target = std::uniform_int_distribution<std::size_t>(0, 70000)(rng);
        while (text.size() < target) {
            auto& p =
                pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(rng)];
            text += p;
            if (rng() % 4 == 0) text.append(rng() % 3000, 'y');
        }
        ScratchDir dir;
        WriteFile(dir.File("r.mbx"), text);
        std::uint64_t size = 0;
        auto got = ReadAll(dir.File("r.mbx"), &size);
        ExpectSameMessages(got, ReferenceRead(text), "round " + std::to_string(round));
    }
}

TEST(MailBoxRead, BytesReadReachesTheFileSize) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "Subject: " + std::to_string(i) + "\r\n\r\n" + std::string(i * 37 % 2000, 'b') +
                "\r\n.\r\n";
    ScratchDir dir;
    WriteFile(dir.File("b.mbx"), text);
    std::uint64_t size = 0;
    auto got = ReadAll(dir.File("b.mbx"), &size);
    ASSERT_EQ(got.size(), 300u);
    EXPECT_EQ(got.back().bytesRead, size);
}

TEST(MailBoxRead, MessageLongerThanTheBoundIsAnErrorNamingTheFile) {
    struct Case {
        std::size_t bound, length;
        bool separator, fits;
        const char* reason;
    };
    const std::size_t big = 3 * MessageReader::kBufferSize + 7;
    const std::size_t huge = 2 * ParseAhead::kBatchBytes + 3;  // over several batches
    const Case cases[] = {
        {100, 100, true, true, "exactly the bound"},
        {100, 101, true, false, "one byte over"},
        {100, 100, false, true, "a tail without separator of exactly the bound"},
        {100, 101, false, false, "a tail without separator one byte over"},
        {big, big, true, true, "over several buffer loads, exactly the bound"},
        {big, big + 1, true, false, "over several buffer loads, one byte over"},
        {huge, huge, true, true, "longer than a batch, exactly the bound"},
        {huge, huge + 1, true, false, "longer than a batch, one byte over"},
        {huge, huge + 1, false, false, "longer than a batch, a tail one byte over"},
    };
    for (const auto& c : cases)
        for (std::uint64_t aheadFrom : {kNeverAhead, std::uint64_t{0}}) {
            const std::string first = "S: 1\r\n\r\nx";
            std::string second = "S: 2\r\n\r\n";
            second.append(c.length - second.size(), 'y');
            ScratchDir dir;
            const std::string path = dir.File("big.mbx");
            WriteFile(path, first + "\r\n.\r\n" + second + (c.separator ? "\r\n.\r\n" : ""));
            TMailBox box;
            box.Open(path, 0, {.maxMessageBytes = c.bound, .aheadFrom = aheadFrom});
            ASSERT_TRUE(box.ReadMessage()) << c.reason;
            if (c.fits) {
                ASSERT_TRUE(box.ReadMessage()) << c.reason;
                EXPECT_EQ(box.Body().size(), c.length - 8) << c.reason;
                continue;
            }
            try {
                box.ReadMessage();
                ADD_FAILURE() << "no error: " << c.reason;
            } catch (const ConvertError& e) {
                EXPECT_EQ(std::string(e.what()).rfind("\"" + path + "\" ", 0), 0u) << e.what();
            }
        }
}

TEST(MailBoxRead, OpenAgainClosesTheOldFileAndResets) {
    ScratchDir dir;
    WriteFile(dir.File("a.mbx"), "S: 1\r\n\r\nx\r\n.\r\nS: 2\r\n\r\ny\r\n.\r\n");
    WriteFile(dir.File("b.mbx"), "S: 3\r\n\r\nz\r\n.\r\n");
    TMailBox box;
    box.Open(dir.File("a.mbx"));
    ASSERT_TRUE(box.ReadMessage());
    box.Open(dir.File("b.mbx"));
    EXPECT_EQ(box.BytesRead(), 0u);
    EXPECT_EQ(box.Header(), "S: 1");  // the current message stays until the next read
    ASSERT_TRUE(box.ReadMessage());
    EXPECT_EQ(box.Header(), "S: 3");
    box.Close();
    EXPECT_FALSE(box.Opened());
    EXPECT_FALSE(box.AtEnd());
}

// A file of many batches for the second thread, read whole, and left after a few messages:
// closing (or opening the next file) stops the thread whatever it is doing.
TEST(MailBoxRead, BigFileReadAheadMatchesAndStopsWhenLeftEarly) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "Subject: " + std::to_string(i) + "\r\n\r\n" + std::string(i * 7919 % 5000, 'b') +
                "\r\n.\r\n";
    ScratchDir dir;
    WriteFile(dir.File("big.mbx"), text);
    ASSERT_GE(text.size(), ReadPlan::kAheadFrom);
    std::uint64_t size = 0;
    const auto all = ReadAll(dir.File("big.mbx"), &size);
    ASSERT_EQ(all.size(), 3000u);
    EXPECT_EQ(all.back().bytesRead, size);
    TMailBox box;
    for (int taken : {0, 1, 700}) {
        box.Open(dir.File("big.mbx"));
        for (int i = 0; i < taken; ++i) ASSERT_TRUE(box.ReadMessage());
        if (taken > 0) {
            EXPECT_EQ(box.BytesRead(), all[taken - 1].bytesRead);
        }
        EXPECT_EQ(box.GetFileSize(), size);
    }
    box.Close();
}

// Mails of several batches' size in a row: each is read whole, and the second thread keeps
// only a few of them at a time.
// Some bigger than what the thread reads ahead: each is read alone, after the job has let
// go of the one before.
TEST(MailBoxRead, BigMessagesInARowAreReadWhole) {
    std::string text;
    for (int i = 0; i < 6; ++i) {
        const std::size_t size =
            (i % 2 ? ParseAhead::kAheadBytes : 3 * ParseAhead::kBatchBytes) + 1000 * i;
        text += "S: " + std::to_string(i) + "\r\n\r\n" +
                std::string(size, static_cast<char>('a' + i)) +
                "\r\n.\r\nS: small\r\n\r\nx\r\n.\r\n";
    }
    ScratchDir dir;
    WriteFile(dir.File("big.mbx"), text);
    const auto got = ReadAll(dir.File("big.mbx"));
    ExpectSameMessages(got, ReferenceRead(text), "big in a row");
    EXPECT_EQ(got.size(), 12u);
}

// Batches end at a number of messages too: the rest of what was read waits for the next one.
TEST(MailBoxRead, ManyTinyMessagesSpanSeveralBatches) {
    std::string text;
    for (int i = 0; text.size() < ParseAhead::kBatchBytes / 2; ++i)
        text += "S: " + std::to_string(i) + "\r\n\r\nb\r\n.\r\n";
    text += "S: last\r\n\r\nno separator";
    ASSERT_GT(text.size() / 20, ParseAhead::kBatchMessages);
    ScratchDir dir;
    WriteFile(dir.File("tiny.mbx"), text);
    std::uint64_t size = 0;
    ExpectSameMessages(ReadAll(dir.File("tiny.mbx"), &size), ReferenceRead(text), "tiny");
    EXPECT_EQ(size, text.size());
}

// The fields found ahead belong to the names given when the file was opened: naming others
// for the next file leaves the current message's values right until it is read.
TEST(MailBoxRead, FieldsNamedForTheNextFileLeaveTheCurrentMessageRight) {
    ScratchDir dir;
    std::string a, b;
    for (int i = 0; i < 2000; ++i) {
        a += "A: a" + std::to_string(i) + "\r\nB: b" + std::to_string(i) + "\r\n\r\nbody\r\n.\r\n";
        b += "B: x" + std::to_string(i) + "\r\nA: y" + std::to_string(i) + "\r\n\r\nbody\r\n.\r\n";
    }
    WriteFile(dir.File("a.mbx"), a);
    WriteFile(dir.File("b.mbx"), b);
    TMailBox box;
    box.Open(dir.File("a.mbx"), 0, {.fields = {{"A:"}, "B: "}, .aheadFrom = 0});
    ASSERT_TRUE(box.ReadMessage());
    box.Open(dir.File("b.mbx"), 0, {.fields = {{"B:", "A:"}, "A: "}, .aheadFrom = 0});
    EXPECT_FALSE(box.AtEnd());  // the second thread starts with the new names
    EXPECT_EQ(box.FieldView("A:"), "a0");
    EXPECT_EQ(box.FieldView("B:"), "b0");
    EXPECT_EQ(box.CollectField("B: "), "b0");
    EXPECT_EQ(box.CollectField("A: "), "a0\r\nB: b0");
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(box.ReadMessage());
        ASSERT_EQ(box.FieldView("A:"), "y" + std::to_string(i));
        ASSERT_EQ(box.FieldView("B:"), "x" + std::to_string(i));
        ASSERT_EQ(box.CollectField("A: "), "y" + std::to_string(i));
        ASSERT_EQ(box.CollectField("B: "),
                  "x" + std::to_string(i) + "\r\nA: y" + std::to_string(i));
    }
    EXPECT_FALSE(box.ReadMessage());  // past the end no values of an earlier message remain
    EXPECT_EQ(box.FieldView("A:"), "");
}

// Headers with encoded words decoded on reading threads that start and end with each file;
// the Windows build also runs this with the heap's checks on (a thread's end must leave the
// heap whole).
TEST(MailBoxRead, EncodedWordsAreDecodedOnReadingThreads) {
    std::string text;
    for (int i = 0; text.size() < 2 * ReadPlan::kAheadFrom; ++i)
        text += "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= " + std::to_string(i) +
                "\r\nFrom: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <a@b.jp>\r\n\r\nbody\r\n.\r\n";
    ScratchDir dir;
    WriteFile(dir.File("jis.mbx"), text);
    const auto got = ReadAll(dir.File("jis.mbx"));
    ExpectSameMessages(got, ReferenceRead(text), "encoded words");
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0].fields[0],
              "\x83\x65\x83\x58\x83\x67"
              "0");  // テスト, the blank dropped
}

TEST(MailBoxRead, ModeOneEmptiesAnExistingFile) {
    ScratchDir dir;
    WriteFile(dir.File("w.mbx"), "S: 1\r\n\r\nx");
    TMailBox box;
    box.Open(dir.File("w.mbx"), 1);
    EXPECT_TRUE(box.Opened());
    box.Close();
    EXPECT_EQ(test::ReadFile(dir.File("w.mbx")), "");
    box.Open(dir.File("none.mbx"), 1);
    EXPECT_FALSE(box.Opened());
}

}  // namespace
}  // namespace tavori
