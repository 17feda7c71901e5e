// The normal form of a message: header split, unfolding, body rules, fields, mailbox text.
#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "mailstore/mail_date.h"
#include "mailstore/mail_message.h"
#include "mailstore/parse_ahead.h"

namespace tavori {
namespace {

using namespace std::string_literals;

struct ParseCase {
    std::string text, header, body;
    const char* reason;
};

TEST(MailBoxMessage, ParseMessageGivesTheNormalForm) {
    const ParseCase cases[] = {
        {"Subject: a\r\n\r\nbody", "Subject: a", "body", "plain split"},
        {"no empty line\r\nat all  ", "", "no empty line\r\nat all", "no header: all is body"},
        {"\r\n\r\nrest\r\n", "", "rest", "text beginning with an empty line"},
        {"S: a\r\n\r\n \t\r\n body \r\n\r\n", "S: a", "body", "body trimmed of white space"},
        {"S: a\x1a\r\n\r\nb\x1a", "S: a", "b", "0x1A bytes deleted"},
        {"S: a\x1a\r\n\x1a\r\nb", "S: a", "b", "0x1A deleted before the split"},
        {"S: a\tb\r\n\r\nx", "S: a b", "x", "tabs in the header become spaces"},
        {"Subject: abc\r\n\tdef\r\n\r\nx", "Subject: abcdef", "x", "tab continuation joined"},
        {"Subject: abc\r\n    def\r\nT: 1\r\n\r\nx", "Subject: abcdef\r\nT: 1", "x",
         "all spaces after the fold go"},
        {"S: a\r\r\n \n b\r\n\r\nx", "S: ab", "x", "a fold exposed by unfolding is unfolded"},
        {"x\r\n\r\r\n \nY\r\n\r\nb", "x\r\nY", "b",
         "an empty line made by unfolding goes, or Y would move into the body"},
        {"x\r\r\n \n\r\n\r\nb", "x", "b", "a CR LF made at the end of the header goes"},
        {"X: a\r\n=?ISO-2022-JP?B?GyhC?=\r\nFrom: <f@x>\r\n\r\nb", "X: a\r\nFrom: <f@x>", "b",
         "a line that decodes to nothing goes, or From would move into the body"},
        {"X: a\r\n=?ISO-2022-JP?B?GyhC?=\r\n\r\nb", "X: a", "b", "also as the last line"},
        {"S: a\r\n\r\n#one\r\n#two", "S: a", " #one\r\n #two", "lines beginning with #"},
        {"S: a\r\n\r\nx\n#y", "S: a", "x\n #y", "# after a bare LF"},
        {"S: a\r\n\r\nx\r\n\r\n\r\n\r\ny", "S: a", "x\r\n\r\ny", "three empty lines keep one"},
        {"S: a\r\n\r\nx\r\n\r\n\r\ny\r\n\r\nz", "S: a", "x\r\n\r\ny\r\n\r\nz",
         "two runs collapse each"},
        {"S: a\r\n\r\nx\r\r\n\r\n\r\n\ny", "S: a", "x\r\r\n\r\n\ny", "odd CR kept"},
        {"S: a\r\n\r\n.\r\nx\r\n.\r\n.\r\ny\r\n.", "S: a", " .\r\nx\r\n .\r\n .\r\ny\r\n .",
         "lines of a lone dot get a space"},
        {"S: a\r\n\r\n..\r\n.x\r\nx.", "S: a", "..\r\n.x\r\nx.", "other dots stay"},
        {"S: a\r\n.\r\nT: b\r\n\r\nx", "S: a\r\n .\r\nT: b", "x", "a lone dot line in the header"},
        {"S: a\r\n\r\n#\r\n\r\n\r\n.", "S: a", " #\r\n\r\n .", "all body rules together"},
        {"   \r\n\t ", "", "", "only white space"},
        {"S: a\r\n\r\n\x1b$BF|K\\\x1b(B\r\n", "S: a", "\x1b$BF|K\\\x1b(B",
         "a body starting in ISO-2022-JP keeps its escape"},
    };
    MailMessage box;
    for (const auto& c : cases) {
        box = MailMessage(c.text);
        EXPECT_EQ(box.Header(), c.header) << c.reason;
        EXPECT_EQ(box.Body(), c.body) << c.reason;
    }
}

TEST(MailBoxMessage, HeaderIsDecodedAfterUnfolding) {
    MailMessage box;
    box = MailMessage(
        "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=\r\n =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n"
        "Date: Tue, 05 Mar 1999 12:34:56 GMT\r\n"
        "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <yamada@example.jp>\r\n\r\nbody");
    EXPECT_EQ(box.GetField("Subject:"), "テスト日本語");
    EXPECT_EQ(box.GetField("From:"), "山田太郎 <yamada@example.jp>");
    DateTimeParts p = DecodeDateTime(box.GetDate());
    EXPECT_EQ(p.day * 100 + p.hour, 521);
}

TEST(MailBoxMessage, DecodedLineEndsCannotPlantHeaderLines) {
    MailMessage box;
    // The encoded text holds "\r\n\r\n.\r\nX: y" in one-byte mode.
    box = MailMessage("Subject: =?ISO-2022-JP?B?DQoNCi4NClg6IHk=?=\r\nFrom: a\r\n\r\nbody");
    EXPECT_EQ(box.GetField("Subject:"), ".  X: y");
    EXPECT_EQ(box.GetField("X:"), "");
    EXPECT_EQ(box.GetField("From:"), "a");
    EXPECT_EQ(box.ToMailboxText().find("\r\n.\r\n"), box.ToMailboxText().size() - 5);
}

struct FieldCase {
    const char* header;
    const char* name;
    const char* value;
    const char* reason;
};

TEST(MailBoxMessage, GetFieldMatchesTheStartOfALine) {
    const FieldCase cases[] = {
        {"Subject: hi", "SUBJECT:", "hi", "name in capitals"},
        {"subject: hi", "Subject:", "hi", "line in lower case"},
        {"To-Do: x\r\nTo: y", "To:", "y", "To: does not match To-Do:"},
        {"Subject : x", "Subject:", "", "a space before the colon does not match"},
        {"A: 1\r\nSubject:  hi  ", "Subject:", "hi", "value trimmed"},
        {"Subject: a\r\nSubject: b", "Subject:", "a", "first line counts"},
        {"A: 1\nB: 2", "B:", "2", "bare LF ends a line"},
        {"A: 1\r\n\r\rB: 2", "B:", "2", "CR bytes after LF skipped"},
        {"A: 1\n\nB: 2", "B:", "", "an empty line ends the search"},
        {"A: 1\r\nB:", "B:", "", "empty value at the end"},
        {"Sub", "Subject:", "", "header shorter than the name"},
        {"A: x Subject: y", "Subject:", "", "only at the start of a line"},
        {"", "Subject:", "", "no header"},
        {"Subject: a\rb", "Subject:", "a", "value ends at a CR"},
        {"Subject: \x1b$BF|K\\\x1b(B", "Subject:", "\x1b$BF|K\\\x1b(B",
         "a raw ISO-2022-JP value keeps its escape"},
    };
    MailMessage box;
    for (const auto& c : cases) {
        box = MailMessage(std::string(c.header) + "\r\n\r\nbody");
        EXPECT_EQ(box.GetField(c.name), c.value) << c.reason;
    }
}

// The key of a header line lower-cases eight bytes at once; byte by byte is the reference. The
// bytes next to the letters ("@", "[", "`", "{") and those of double-byte characters stay.
TEST(MailBoxMessage, LineKeysLowerCaseLikeByteByByte) {
    auto reference = [](std::string_view text) {
        std::uint64_t key = 0;
        for (std::size_t k = 0; k < text.size() && k < 8; ++k) {
            const char c =
                text[k] >= 'A' && text[k] <= 'Z' ? static_cast<char>(text[k] + 32) : text[k];
            key |= std::uint64_t{static_cast<unsigned char>(c)} << (8 * k);
        }
        return key;
    };
    std::string text = "Subject:@[`{AZaz";
    for (std::size_t at = 0; at < 8; ++at) {
        for (int b = 0; b < 256; ++b) {
            std::string t = text;
            t[at] = static_cast<char>(b);
            for (std::size_t len : {std::size_t{8}, std::size_t{12}, at + 1})
                ASSERT_EQ(HeaderLines::Key(std::string_view(t).substr(0, len)),
                          reference(std::string_view(t).substr(0, len)))
                    << "byte " << b << " at " << at << ", length " << len;
        }
    }
}

TEST(MailBoxMessage, GetDateOfTheHeader) {
    MailMessage box;
    box = MailMessage("Subject: x\r\n\r\nbody");
    EXPECT_EQ(box.GetDate(), 0.0);
    box = MailMessage("Date: Tue, 32 Mar 1999 12:34:56\r\n\r\nbody");
    EXPECT_THROW(box.GetDate(), ConvertError);
}

TEST(MailBoxMessage, CollectFieldJoinsEveryOccurrence) {
    MailMessage box;
    box = MailMessage(
        "Subject: x\r\nX-Becky-Attachment-File: a.eml\r\nX-Becky-Attachment-File: b.txt\r\n\r\n"
        "body");
    EXPECT_EQ(box.CollectField("X-Becky-Attachment-File:"), " a.eml\r\n b.txt");
    EXPECT_EQ(box.CollectField("x-becky-attachment-file:"), "");
    EXPECT_EQ(box.CollectField("Subject:"),
              " x\r\nX-Becky-Attachment-File: a.eml\r\n"
              "X-Becky-Attachment-File: b.txt");
    box = MailMessage("A: m m m\r\n\r\nb");
    EXPECT_EQ(box.CollectField("m"), "  ");
}

TEST(MailBoxMessage, ToMailboxTextRendersTheMessage) {
    MailMessage box;
    box = MailMessage("S: a\r\n\r\nbody\r\n");
    EXPECT_EQ(box.ToMailboxText(), "S: a\r\n\r\nbody\r\n.\r\n");
    box = MailMessage("S: a\r\n\r\n");
    EXPECT_EQ(box.ToMailboxText(), "S: a\r\n\r\n\r\n.\r\n");
    box = MailMessage("no header");
    EXPECT_FALSE(box.HasHeader());
    EXPECT_EQ(box.ToMailboxText(), "");
}

// Writing as mailbox text and reading back gives the same message, whatever the text holds.
TEST(MailBoxMessage, MailboxTextRoundTrips) {
    std::mt19937 rng(7);
    const std::string pieces[] = {"\r\n",
                                  ".",
                                  "#",
                                  " ",
                                  "\t",
                                  "Subject: x",
                                  "a",
                                  "\r",
                                  "\n",
                                  "\x1a",
                                  "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=",
                                  "\0"s,
                                  "=?ISO-2022-JP?B?GyhC?="};
    MailMessage first, second;
    int checked = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = "H: 1\r\n";
        int parts = static_cast<int>(rng() % 40);
        for (int i = 0; i < parts; ++i) text += pieces[rng() % std::size(pieces)];
        first = MailMessage(text);
        if (!first.HasHeader()) continue;
        const std::string written = first.ToMailboxText();
        ASSERT_EQ(written.find("\r\n.\r\n"), written.size() - 5) << "separator inside: " << text;
        second = MailMessage(written.substr(0, written.size() - 5));
        // A header line of a lone dot was made a continuation line to keep it from ending
        // the message; reading joins it to the line before. Nothing else may change.
        if (first.Header().find("\r\n .") == std::string::npos) {
            EXPECT_EQ(second.Header(), first.Header()) << text;
        }
        EXPECT_EQ(second.Body(), first.Body()) << text;
        ++checked;
    }
    EXPECT_GT(checked, 500);
}

// The normalising steps are single passes: a quadratic rewrite would not finish here.
TEST(MailBoxMessage, LargeRunsNormaliseInLinearTime) {
    MailMessage box;
    std::string blank = "S: a\r\n\r\nx";
    for (int i = 0; i < 2'000'000; ++i) blank += "\r\n";
    blank += "y";
    box = MailMessage(blank);
    EXPECT_EQ(box.Body(), "x\r\n\r\ny");

    std::string hashes = "S: a\r\n\r\nx";
    for (int i = 0; i < 1'000'000; ++i) hashes += "\r\n#";
    box = MailMessage(hashes);
    EXPECT_EQ(box.Body().size(), hashes.size() - 8 + 1'000'000);

    std::string folds = "S: a";
    for (int i = 0; i < 1'000'000; ++i) folds += "\r\n b";
    box = MailMessage(folds + "\r\n\r\nx");
    EXPECT_EQ(box.Header().size(), 4u + 1'000'000u);
}

}  // namespace
}  // namespace tavori

namespace tavori {
namespace {

// The body rules done literally, step after step, as the slow oracle for the one-pass version.
std::string ReferenceBody(std::string body) {
    auto white = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!body.empty() && white(body.front())) body.erase(0, 1);
    while (!body.empty() && white(body.back())) body.pop_back();
    if (body.empty()) return body;
    if (body[0] == '#') body = " " + body;
    for (std::size_t p; (p = body.find("\n#")) != std::string::npos;) body.insert(p + 1, 1, ' ');
    std::string dotted;
    for (std::size_t i = 0; i < body.size(); ++i) {
        bool starts = i == 0 || (i >= 2 && body.compare(i - 2, 2, "\r\n") == 0);
        bool ends = i + 1 == body.size() || body.compare(i + 1, 2, "\r\n") == 0;
        if (body[i] == '.' && starts && ends) dotted += ' ';
        dotted += body[i];
    }
    body = dotted;
    for (std::size_t p; (p = body.find("\r\n\r\n\r\n")) != std::string::npos;) body.erase(p, 2);
    return body;
}

TEST(MailBoxMessage, OnePassBodyRulesMatchTheStepByStepRules) {
    std::mt19937 rng(11);
    const std::string pieces[] = {"\r\n", ".", "#", " ", "x", "\r", "\n", "\r\n\r\n\r\n", "\t"};
    MailMessage box;
    for (int round = 0; round < 5000; ++round) {
        std::string body;
        for (int i = static_cast<int>(rng() % 30); i > 0; --i) body += pieces[rng() % 9];
        box = MailMessage("S: 1\r\n\r\n" + body);
        ASSERT_EQ(box.Body(), ReferenceBody(body)) << "body: " << body;
    }
}

}  // namespace
}  // namespace tavori
