#include "jobs/ren_record.h"

#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "base/sjis_text.h"
#include "mailstore/mail_message.h"
#include "mailstore/mailbox.h"
#include "platform/date_value.h"
#include "test_support.h"

namespace tavori {
namespace {

struct BracketCase {
    const char* text;
    char open, close;
    bool strict;
    const char* expected;
    const char* reason;
};

TEST(ExtractBracketed, BracketedPartWinsElseWholeTextOrNothing) {
    const BracketCase cases[] = {
        {"Name <a@b.jp>", '<', '>', false, "a@b.jp", "bracketed address"},
        {"a@b.jp", '<', '>', false, "a@b.jp", "no brackets: whole text"},
        {"a@b.jp", '<', '>', true, "", "no brackets, strict: nothing"},
        {"<a@b.jp", '<', '>', false, "<a@b.jp", "open without close: whole text"},
        {"<a@b.jp", '<', '>', true, "", "open without close, strict: nothing"},
        {"<>", '<', '>', true, "", "empty brackets"},
        {"x> <y>", '<', '>', true, "y", "close before open is skipped"},
        {"<a> <b>", '<', '>', true, "a", "first pair"},
        {"\"Yamada\"", '"', '"', false, "Yamada", "same character for both delimiters"},
        {"\"Yamada", '"', '"', false, "\"Yamada", "one quote only"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractBracketed(c.text, c.open, c.close, c.strict), c.expected) << c.reason;
}

std::string Record(const std::string& header, const std::string& body, bool hyperRef = false,
                   int width = 80) {
    MailMessage mail(header + "\r\n\r\n" + body);
    RecordOptions options;
    options.width = width;
    options.hyperRef = hyperRef;
    return BuildRecord(mail, options);
}

struct RecordCase {
    std::string header;
    std::string body;
    bool hyperRef;
    std::string expected;
    const char* reason;
};

TEST(BuildRecord, WritesTheRowsOfTheRecord) {
    const RecordCase cases[] = {
        {"X-Other: 1", "body", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#K＠差出人\r\n#K不明＠送信日時\r\nbody\r\n#E\r\n\r\n",
         "none of the fields"},
        {"From: Yamada Taro <yamada@a.jp>", "b", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#Kyamada@a.jp＠差出人\r\n#KYamada Taro＠氏名\r\n"
         "#K不明＠送信日時\r\nb\r\n#E\r\n\r\n",
         "name and address"},
        {"From: \"Yamada, Taro\" <yamada@a.jp>", "b", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#Kyamada@a.jp＠差出人\r\n#KYamada, Taro＠氏名\r\n"
         "#K不明＠送信日時\r\nb\r\n#E\r\n\r\n",
         "quoted name without quotes"},
        {"From: <yamada@a.jp>", "b", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#Kyamada@a.jp＠差出人\r\n#K不明＠送信日時\r\nb\r\n#"
         "E\r\n\r\n",
         "address beginning with <: no name line"},
        {"From: yamada@a.jp", "b", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#Kyamada@a.jp＠差出人\r\n#K不明＠送信日時\r\nb\r\n#"
         "E\r\n\r\n",
         "bare address: no name line"},
        {"To: A <a@x.jp>, B <b@x.jp>\r\nCc: c@x.jp, d@x.jp", "b", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#K＠差出人\r\n#Ka@x.jp＠受取人\r\n#Kb@x.jp＠受取人\r\n"
         "#Kc@x.jp, d@x.jp＠写し\r\n#K不明＠送信日時\r\nb\r\n#E\r\n\r\n",
         "two bracketed recipients; a copy list without brackets is one line"},
        {"To: <a@x.jp>, b@x.jp", "b", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#K＠差出人\r\n#Ka@x.jp＠受取人\r\n#K, b@x.jp＠受取人\r\n"
         "#K不明＠送信日時\r\nb\r\n#E\r\n\r\n",
         "bare address after a bracketed one keeps its comma"},
        {"Subject: Hi\r\nDate: Tue, 05 Mar 1999 12:34:56 GMT\r\nReply-To: R <r@x.jp>, s@x.jp\r\n"
         "Message-Id: <id1@x.jp>\r\nX-Mailer: Mailer <1.0>",
         "b", false,
         "#S\r\n#W80\r\n#THi\r\n#K＠差出人\r\n#K1999/03/05\r\n#K1999/03/05 21:34:56＠送信日時\r\n"
         "#Kr@x.jp＠返信先\r\n#Kid1@x.jp＠ＩＤ\r\n#K1.0＠メールソフト\r\nb\r\n#E\r\n\r\n",
         "date rows, reply address, id, mailer"},
        {"Message-Id: id1@x.jp", "b", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#K＠差出人\r\n#K不明＠送信日時\r\nb\r\n#E\r\n\r\n",
         "id without brackets: no id line"},
        {"References: <r1@x> <r2@x> <r1@x>\r\nIn-Reply-To: <r2@x>", "b", true,
         "#S\r\n#W80\r\n#T(no-title)\r\n#K＠差出人\r\n#K不明＠送信日時\r\n#Kr1@x＠参照\r\n"
         "#Kr2@x＠参照\r\n▼r1@x▲\r\n▼r2@x▲\r\n\r\nb\r\n#E\r\n\r\n",
         "each id once, block with an empty line before the body"},
        {"References: <r1@x>", "b", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#K＠差出人\r\n#K不明＠送信日時\r\n#Kr1@x＠参照\r\n"
         "b\r\n#E\r\n\r\n",
         "mail clear: reference lines without block"},
        {"Subject: x", "b", true,
         "#S\r\n#W80\r\n#Tx\r\n#K＠差出人\r\n#K不明＠送信日時\r\nb\r\n#E\r\n\r\n",
         "mail set but no reference: no block, no empty line"},
        {"References: <11234@a.jp> <1234@a.jp>", "b", true,
         "#S\r\n#W80\r\n#T(no-title)\r\n#K＠差出人\r\n#K不明＠送信日時\r\n#K11234@a.jp＠参照\r\n"
         "#K1234@a.jp＠参照\r\n▼11234@a.jp▲\r\n▼1234@a.jp▲\r\n\r\nb\r\n#E\r\n\r\n",
         "an id contained in a longer listed id is still listed"},
        {"References: <a▼b▲c> <b> <a▼b▲c>", "b", false,
         "#S\r\n#W80\r\n#T(no-title)\r\n#K＠差出人\r\n#K不明＠送信日時\r\n#Ka▼b▲c＠参照\r\n"
         "#Kb＠参照\r\nb\r\n#E\r\n\r\n",
         "ids are compared whole, also when they hold the block's own markers"},
        {"Subject: x", "", false,
         "#S\r\n#W80\r\n#Tx\r\n#K＠差出人\r\n#K不明＠送信日時\r\n\r\n#E\r\n\r\n",
         "empty body gives one empty line"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Record(c.header, c.body, c.hyperRef), c.expected) << c.reason;
}

// The export names the record's fields to its reader, which finds them as it reads: a field
// the record reads that the list leaves out would cost every mail a search of its header.
TEST(BuildRecord, ReadsOnlyTheFieldsItNames) {
    const std::string full =
        "Subject: s\r\nFrom: \"N\" <f@x.jp>\r\nTo: <t@x.jp>\r\nCc: c@x.jp\r\n"
        "Date: Tue, 05 Mar 1999 12:34:56 +0900\r\nReply-To: <r@x.jp>\r\nMessage-Id: <m@x.jp>\r\n"
        "References: <a@x.jp>\r\nIn-Reply-To: <b@x.jp>\r\nX-Mailer: M\r\n\r\nbody\r\n.\r\n";
    test::ScratchDir dir;
    test::WriteFile(dir.File("m.mbx"), full + "Subject: bare\r\n\r\nb\r\n.\r\n");
    for (const bool hyperRef : {false, true}) {
        TMailBox box;
        box.Open(dir.File("m.mbx"), 0, {.fields = {RecordFieldNames(), {}}, .aheadFrom = 0});
        RecordOptions options;
        options.hyperRef = hyperRef;
        for (int n = 0; n < 2; ++n) {
            ASSERT_TRUE(box.ReadMessage());
            BuildRecord(box.Message(), options);
            EXPECT_EQ(box.Message().LookupsBeyondPlan(), 0) << "message " << n;
        }
    }
}

TEST(FormatRecordDateTime, PadsEveryPartWithZeros) {
    struct Case {
        DateTimeParts parts;
        const char* expected;
        const char* why;
    } cases[] = {
        {{2024, 3, 5, 9, 7, 1}, "2024/03/05 09:07:01", "one-digit parts get a zero"},
        {{1, 1, 1, 0, 0, 0}, "0001/01/01 00:00:00", "year 1 gets three zeros, midnight all zeros"},
        {{9999, 12, 31, 23, 59, 59}, "9999/12/31 23:59:59", "the last second keeps its digits"},
    };
    for (const Case& c : cases) {
        double value = 0;
        ASSERT_TRUE(EncodeDateTime(c.parts, value)) << c.why;
        EXPECT_EQ(FormatRecordDateTime(value, RecordOptions{}), c.expected) << c.why;
    }
}

TEST(BuildRecord, WidthIsWrittenAndLongLinesStayWhole) {
    const std::string line(300, 'x');
    const std::string record = Record("Subject: w", line, false, 40);
    EXPECT_EQ(record.substr(0, 9), "#S\r\n#W40\r");
    EXPECT_NE(record.find("\r\n" + line + "\r\n#E"), std::string::npos);
}

TEST(BuildRecord, UsesTheGivenSeparators) {
    MailMessage mail("Date: Tue, 05 Mar 1999 12:34:56 +0900\r\n\r\nb");
    RecordOptions options;
    options.dateSeparator = "-";
    options.timeSeparator = ".";
    EXPECT_NE(BuildRecord(mail, options).find("#K1999-03-05\r\n#K1999-03-05 12.34.56＠送信日時"),
              std::string::npos);
}

TEST(BuildRecord, InvalidDatePassesTheErrorOn) {
    MailMessage mail("Date: Tue, 32 Mar 1999 12:34:56\r\n\r\nb");
    EXPECT_THROW(BuildRecord(mail, RecordOptions{}), ConvertError);
}

// The list rules step by step: each pass takes the bracketed part of the remaining text,
// then keeps only the text after its first ">"; a referenced id is left out when its block
// line is already in the block.
std::string ReferenceRecord(std::string_view to, std::string_view cc, std::string_view refs,
                            std::string_view inReplyTo) {
    std::string lines;
    auto list = [&](std::string_view value, const char* label) {
        for (std::string rest(TrimWhite(value)); !rest.empty();) {
            lines += "\r\n#K" + ExtractBracketed(rest, '<', '>', false) + label;
            const std::size_t close = rest.find('>');
            rest = close == std::string::npos ? "" : rest.substr(close + 1);
        }
    };
    list(to, "＠受取人");
    list(cc, "＠写し");
    lines += "\r\n#K不明＠送信日時";
    std::string block;
    for (std::string_view value : {refs, inReplyTo}) {
        for (std::string rest(TrimWhite(value)); !rest.empty();) {
            const std::string id = ExtractBracketed(rest, '<', '>', true);
            if (!id.empty() && block.find("▼" + id + "▲") == std::string::npos) {
                lines += "\r\n#K" + id + "＠参照";
                block += "▼" + id + "▲\r\n";
            }
            const std::size_t close = rest.find('>');
            rest = close == std::string::npos ? "" : rest.substr(close + 1);
        }
    }
    if (!block.empty()) lines += "\r\n" + block;
    return "#S\r\n#W80\r\n#T(no-title)\r\n#K＠差出人" + lines + "\r\nb\r\n#E\r\n\r\n";
}

TEST(BuildRecord, RandomListsMatchTheStepByStepRules) {
    std::mt19937 random(20240611);
    const std::string_view alphabet = "<<<>>>,,ab  ";
    auto value = [&] {
        std::string text(random() % 24, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        const std::string to = value(), cc = value(), refs = value(), irt = value();
        const std::string header =
            "To: " + to + "\r\nCc: " + cc + "\r\nReferences: " + refs + "\r\nIn-Reply-To: " + irt;
        ASSERT_EQ(Record(header, "b", true), ReferenceRecord(to, cc, refs, irt)) << header;
    }
}

std::size_t CountOf(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t pos = text.find(part); pos != std::string_view::npos;
         pos = text.find(part, pos + part.size()))
        ++count;
    return count;
}

std::string RecordWithRefs(const std::string& header) {
    MailMessage mail(header + "\r\n\r\nb");
    RecordOptions options;
    options.hyperRef = true;
    return BuildRecord(mail, options);
}

// Fields of megabytes are walked once: with the block searched for every id, or each remainder
// of a To field searched for its "<" from the start, these take minutes and run into the
// test's time limit.
TEST(BuildRecord, MegabyteListsAreWalkedOnce) {
    std::string refs;
    int ids = 0;
    while (refs.size() < (1u << 20))
        refs.append("<").append(std::to_string(1000000 + ids++)).append("@x.jp> ");
    std::string record = RecordWithRefs("References: " + refs);
    EXPECT_EQ(CountOf(record, "＠参照"), static_cast<std::size_t>(ids));
    std::string last = "▼";
    last.append(std::to_string(1000000 + ids - 1)).append("@x.jp▲\r\n\r\nb");
    EXPECT_NE(record.find(last), std::string::npos);

    const std::size_t closes = 4u << 20;
    record = RecordWithRefs("To: " + std::string(closes, '>') + "<x>");
    EXPECT_EQ(CountOf(record, "#Kx＠受取人"), closes + 1);  // one element per ">" and the last
}

// Repeats are found the same way on both sides of the length where the list of ids seen is
// no longer searched one by one.
TEST(BuildRecord, RepeatedIdsAreListedOnceInListsOfAnyLength) {
    for (const int ids : {1, 31, 32, 33, 34, 40, 200}) {
        std::string refs, irt;
        for (int i = 0; i < ids; ++i) refs += "<" + std::to_string(i) + "@x.jp> ";
        for (int i = ids - 1; i >= 0; i -= 3) refs += "<" + std::to_string(i) + "@x.jp> ";
        irt = "<0@x.jp> <" + std::to_string(ids) + "@x.jp>";  // one repeat, one new id
        const std::string record =
            RecordWithRefs("References: " + refs + "\r\nIn-Reply-To: " + irt);
        EXPECT_EQ(CountOf(record, "＠参照"), static_cast<std::size_t>(ids + 1)) << ids;
        EXPECT_EQ(CountOf(record, "#K0@x.jp＠参照"), 1u) << ids;
        EXPECT_EQ(CountOf(record, "▼" + std::to_string(ids - 1) + "@x.jp▲"), 1u) << ids;
    }
}

TEST(BuildRecord, RecordBeyondTheBoundIsRefused) {
    MailMessage mail("Subject: s\r\nTo: <a@x.jp>\r\n\r\nbody");
    RecordOptions options;
    const std::string record = BuildRecord(mail, options);
    options.maxRecordBytes = record.size();
    EXPECT_EQ(BuildRecord(mail, options), record) << "a record of exactly the bound";
    options.maxRecordBytes = record.size() - 1;
    EXPECT_THROW(BuildRecord(mail, options), ConvertError) << "one byte over the bound";

    // 64 KB of ">" would make a record of 2 GB: each pass writes the whole remaining text.
    mail = MailMessage("To: " + std::string(1 << 16, '>') + "\r\n\r\nb");
    options.maxRecordBytes = 1 << 20;
    try {
        BuildRecord(mail, options);
        ADD_FAILURE() << "no error for a quadratic To field";
    } catch (const ConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("1 MB"), std::string::npos) << e.what();
    }

    mail = MailMessage("Subject: s\r\n\r\n" + std::string(2 << 20, 'x'));
    EXPECT_THROW(BuildRecord(mail, options), ConvertError) << "a body longer than the bound";
}

}  // namespace
}  // namespace tavori
