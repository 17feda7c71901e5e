#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavori::platform {
namespace {

struct CodecCase {
    const char* sjis;
    const char* utf8;
    const char* reason;
};

TEST(TextCodec, ConvertsBetweenShiftJisAndUtf8) {
    const CodecCase cases[] = {
        {"abc", "abc", "ASCII unchanged"},
        {"\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", "katakana"},
        {"\x83\x5C\x95\x5C", "\xE3\x82\xBD\xE8\xA1\xA8", "trail bytes 0x5C"},
        {"\xB1", "\xEF\xBD\xB1", "half-width katakana"},
        {"\x87\x40", "\xE2\x91\xA0", "NEC special character of code page 932"},
        {"", "", "empty"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SjisToUtf8(c.sjis), c.utf8) << c.reason;
        EXPECT_EQ(Utf8ToSjis(c.utf8), c.sjis) << c.reason;
    }
}

TEST(TextCodec, Utf8WithoutShiftJisFormIsAnError) {
    EXPECT_THROW(Utf8ToSjis("\xF0\x9F\x98\x80"), ConvertError);  // an emoji
    EXPECT_THROW(Utf8ToSjis("\xC3"), ConvertError);              // cut sequence
}

struct CharsetCase {
    const char* charset;
    std::string text;
    const char* utf8;  // nullptr: the charset is unknown
    const char* reason;
};

// Both builds must read a mail's charsets alike: iconv here, the code-page services on Windows.
TEST(TextCodec, ReadsTheCharsetsOfMail) {
    const CharsetCase cases[] = {
        {"UTF-8", "\xE3\x81\x82", "\xE3\x81\x82", "UTF-8 as it is, name in capitals"},
        {"iso-8859-1", "caf\xE9", "caf\xC3\xA9", "Latin-1"},
        {"ISO-8859-15", "\xA4", "\xE2\x82\xAC", "Latin-9 has the euro at A4"},
        {"windows-1252", "\x80", "\xE2\x82\xAC", "the Windows Latin code page"},
        {"koi8-r", "\xC1", "\xD0\xB0", "Cyrillic a"},
        {"iso-8859-5", "\xD0", "\xD0\xB0", "Cyrillic a"},
        {"windows-1251", "\xE0", "\xD0\xB0", "Cyrillic a"},
        {"euc-kr", "\xB0\xA1", "\xEA\xB0\x80", "Hangul ga"},
        {"gb2312", "\xD6\xD0", "\xE4\xB8\xAD", "Chinese zhong"},
        {"GB18030", "\xD6\xD0", "\xE4\xB8\xAD", "Chinese zhong"},
        {"big5", "\xA4\xA4", "\xE4\xB8\xAD", "Chinese zhong"},
        {"us-ascii", "plain", "plain", "ASCII"},
        {"", "abc", nullptr, "no name"},
        {"x-no-such-charset", "abc", nullptr, "unknown"},
        {"utf-8//IGNORE", "abc", nullptr, "a suffix is no charset name"},
    };
    for (const auto& c : cases) {
        const auto utf8 = CharsetToUtf8(c.charset, c.text);
        if (!c.utf8) {
            EXPECT_FALSE(utf8.has_value()) << c.reason;
            continue;
        }
        ASSERT_TRUE(utf8.has_value()) << c.reason;
        EXPECT_EQ(*utf8, c.utf8) << c.reason;
    }
}

struct ExactCase {
    const char* utf8;
    const char* sjis;
    std::size_t replaced;
    const char* reason;
};

// Exact conversion only: iconv writes some characters as look-alikes that Windows, without
// best fit, does not have; both must give the same bytes.
TEST(TextCodec, ConvertsToShiftJisExactly) {
    const ExactCase cases[] = {
        {"a\xE3\x81\x82", "a\x82\xA0", 0, "ASCII and hiragana"},
        {"\xE2\x91\xA0", "\x87\x40", 0, "NEC special character"},
        {"\xEF\xBD\x9E", "\x81\x60", 0, "full-width tilde, the code page's wave dash"},
        {"\xC2\xA5", "=", 1, "yen sign: iconv would write a backslash"},
        {"\xE2\x80\xBE", "=", 1, "overline: iconv would write a tilde"},
        {"\xE3\x80\x9C", "=", 1, "wave dash proper: a look-alike only"},
        {"x\xF0\x9F\x98\x80y", "x=y", 1, "emoji"},
        {"\xC3(", "=(", 1, "invalid sequence"},
        {"\xE3\x81x", "=x", 1, "a sequence cut short is one character"},
        {"\xEA\xB0\x80\xE3\x81\x82", "=\x82\xA0", 1, "Hangul then hiragana"},
        {"", "", 0, "empty"},
    };
    for (const auto& c : cases) {
        std::size_t replaced = 0;
        EXPECT_EQ(Utf8ToSjisExact(c.utf8, "=", replaced), c.sjis) << c.reason;
        EXPECT_EQ(replaced, c.replaced) << c.reason;
    }
}

// Text for display: a cut character must not throw or lose what comes before it.
TEST(TextCodec, BrokenShiftJisKeepsTheValidText) {
    std::string out;
    ASSERT_NO_THROW(out = SjisToUtf8("ab\x81"));
    EXPECT_EQ(out.substr(0, 2), "ab");
}

// A stream opened in text mode ("w") then set binary writes line ends as given: on Windows
// text mode would write "\n" as CR LF and a CR LF as CR CR LF.
TEST(TextCodec, BinaryOutputKeepsLineEnds) {
    test::ScratchDir dir;
    const std::string path = dir.File("out.txt");
    std::FILE* stream = std::fopen(path.c_str(), "w");
    ASSERT_NE(stream, nullptr);
    SetBinaryOutput(stream);
    std::fputs("a\nb\r\n", stream);
    std::fclose(stream);
    EXPECT_EQ(test::ReadFile(path), "a\nb\r\n");
}

// No progress line goes into files or the null device: on Windows NUL is a character device,
// which the runtime's isatty takes for a terminal.
TEST(TextCodec, FilesAndTheNullDeviceAreNoTerminal) {
    test::ScratchDir dir;
#ifdef _WIN32
    const char* nullDevice = "NUL";
#else
    const char* nullDevice = "/dev/null";
#endif
    for (const std::string& path : {dir.File("out.txt"), std::string(nullDevice)}) {
        std::FILE* stream = std::fopen(path.c_str(), "w");
        ASSERT_NE(stream, nullptr) << path;
        EXPECT_FALSE(IsTerminal(stream)) << path;
        std::fclose(stream);
    }
}

#ifdef _WIN32
// The harness runs Wine with a Japanese locale: the ANSI code page must be the system's.
TEST(Win32Locale, AnsiCodePageIs932) { EXPECT_EQ(GetACP(), 932u); }
#endif

}  // namespace
}  // namespace tavori::platform
