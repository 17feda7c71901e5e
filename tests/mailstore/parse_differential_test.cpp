// The header normalisation against a plain byte-by-byte reference: the scanning reader must
// give exactly the same header for any text, including the corner cases of folds that meet
// after a removal, lone dots and broken encoded-words.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/sjis_text.h"
#include "decode/header_decoder.h"
#include "decode/jis.h"
#include "mailstore/mailbox.h"
#include "reference/message_reference.h"
#include "test_support.h"

namespace tavori {
namespace {

using reference::RefDecodeHeader;
using reference::RefGetField;
using reference::RefNormaliseBody;
using reference::RefParsedHeader;

// ---- Random headers built from the pieces the scanners look for. ----

std::string RandomHeader(std::mt19937& rng) {
    static const std::array<std::string, 24> pieces = {"\r",
                                                       "\n",
                                                       "\r\n",
                                                       "\r\n ",
                                                       " ",
                                                       "  ",
                                                       "\t",
                                                       ".",
                                                       "\r\n.\r\n",
                                                       "=",
                                                       "=?ISO-2022-JP?B?",
                                                       "=?iso-2022-jp?b?",
                                                       "=?Iso-2022-Jp?B?",
                                                       "?=",
                                                       "?",
                                                       "GyRCRnxLXDhsGyhC",
                                                       "GyRCJCIbKEI=",
                                                       "QUJD",
                                                       "Subject: ",
                                                       "x",
                                                       std::string("\0", 1),
                                                       "\x93\xfa\x96\x7b",
                                                       "\x82\xa0=?",
                                                       "\x1A"};
    std::uniform_int_distribution<std::size_t> count(0, 30), pick(0, pieces.size() - 1);
    std::string h;
    for (std::size_t k = count(rng); k > 0; --k) h += pieces[pick(rng)];
    return h;
}

TEST(ParseDifferential, DecodeHeaderMatchesReferenceOnRandomHeaders) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 4000; ++round) {
        const std::string h = RandomHeader(rng);
        std::string inPlace = h;
        DecodeHeaderInPlace(inPlace);
        const std::string expected = RefDecodeHeader(h);
        ASSERT_EQ(DecodeHeader(h), expected) << "round " << round;
        ASSERT_EQ(inPlace, expected) << "round " << round;
    }
}

TEST(ParseDifferential, ParsedHeaderMatchesReferenceOnRandomMessages) {
    std::mt19937 rng(678);
    std::uniform_int_distribution<int> joined(1, 12);
    TMailBox box;
    for (int round = 0; round < 4000; ++round) {
        // Up to several hundred bytes, more than a header buffer starts with; one text in four
        // has no empty line unless the pieces make one.
        std::string text;
        for (int k = joined(rng); k > 0; --k) text += RandomHeader(rng);
        if (round % 4 != 0) text += "\r\n\r\nbody";
        box.SetMessage(text);
        ASSERT_EQ(box.Header(), RefParsedHeader(text)) << "round " << round;
    }
}

TEST(ParseDifferential, GetFieldMatchesReferenceOnRandomHeaders) {
    std::mt19937 rng(2468);
    TMailBox box;
    for (int round = 0; round < 4000; ++round) {
        box.SetMessage(RandomHeader(rng) + "\r\n\r\nbody");
        for (std::string_view name : {"Subject:", "subject: ", "x", "", "\r", "=?"})
            ASSERT_EQ(box.GetField(name), RefGetField(box.Header(), name)) << "round " << round;
    }
}

// Messages read from a file, whether whole in one load of the read buffer or straddling two,
// come out as the same text given to SetMessage.
TEST(ParseDifferential, ReadMessagesMatchSetMessage) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<std::size_t> bodyLength(0, 9000);
    std::vector<std::string> texts;
    std::string file;
    for (int k = 0; k < 300; ++k) {
        std::string text = RandomHeader(rng) + "\r\n\r\n";
        for (std::size_t n = bodyLength(rng); text.size() < n;) text += RandomHeader(rng);
        std::erase(text, '\x1A');
        if (text.find("\r\n.\r\n") != std::string::npos) continue;  // would split the message
        if (text.ends_with("\r\n") || text.ends_with("\r")) text += "x";
        file += text + "\r\n.\r\n";
        texts.push_back(std::move(text));
    }
    test::ScratchDir dir;
    const std::string path = dir.File("random.mbx");
    test::WriteFile(path, file);
    TMailBox box, reference;
    box.Open(path);
    for (std::size_t k = 0; k < texts.size(); ++k) {
        ASSERT_TRUE(box.ReadMessage()) << "message " << k;
        reference.SetMessage(texts[k]);
        ASSERT_EQ(box.Header(), reference.Header()) << "message " << k;
        ASSERT_EQ(box.Body(), reference.Body()) << "message " << k;
    }
}

// Bodies of the pieces the body rules look for, with long plain runs between them.
TEST(ParseDifferential, BodyMatchesReferenceOnRandomMessages) {
    static const std::array<std::string, 10> pieces = {
        "\r\n", "\n", "\r", ".", "#", "\r\n.\r\n", "\r\n\r\n\r\n", "x", "plain text run ", " "};
    std::mt19937 rng(4321);
    std::uniform_int_distribution<std::size_t> count(1, 60), pick(0, pieces.size() - 1);
    TMailBox box;
    for (int round = 0; round < 4000; ++round) {
        std::string body = "x";  // the body starts and ends with text, as after trimming
        for (std::size_t k = count(rng); k > 0; --k) body += pieces[pick(rng)];
        body += "y";
        box.SetMessage("Subject: s\r\n\r\n" + body);
        ASSERT_EQ(box.Body(), RefNormaliseBody(body)) << "round " << round;
        box.SetMessage("Subject: s\r\n\r\n" + body.substr(1));  // a line start at the front
        ASSERT_EQ(box.Body(), RefNormaliseBody(TrimMailText(body.substr(1)))) << "round " << round;
    }
}

// Headers and texts far longer than a header usually is, where the reader looks for the end
// of the header before it copies on.
TEST(ParseDifferential, LongTextsMatchTheReference) {
    std::string lines;
    for (int k = 0; k < 8000; ++k) lines += "X-Line: " + std::to_string(k) + "\r\n\tfolded\r\n";
    lines += "Subject: s";
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {lines + "\r\n\r\nbody", "a header of 180 KB"},
        {lines, "180 KB with no empty line: no header"},
        {lines + "\r\n\x1A\r\nbody", "an empty line once the 0x1A goes"},
        {lines + "\r\n\r\nbody\x1A", "a 0x1A in the body only"},
    };
    for (const auto& c : cases) {
        TMailBox box;  // a new one: buffers grown by the case before would take the text whole
        box.SetMessage(c.text);
        EXPECT_EQ(box.Header(), RefParsedHeader(c.text)) << c.reason;
    }
}

struct FoldCase {
    std::string header, expected;
    const char* reason;
};

TEST(ParseDifferential, FoldsThatMeetAfterARemovalAreJoinedToo) {
    const FoldCase cases[] = {
        {"a\r\r\n \n b\r\n\r\nx", "ab", "CR left by one fold completes the next"},
        {"a\r\n   \r\n b\r\n\r\nx", "ab", "spaces of a fold skipped up to the next fold"},
        {" \r\n a\r\n\r\nx", " a", "fold after a leading space"},
        {".\r\n.\r\n\r\nx", " .\r\n .", "lone dots protected"},
    };
    TMailBox box;
    for (const auto& c : cases) {
        box.SetMessage(c.header);
        EXPECT_EQ(box.Header(), c.expected) << c.reason;
        EXPECT_EQ(box.Header(), RefParsedHeader(c.header)) << c.reason;
    }
}

}  // namespace
}  // namespace tavori
