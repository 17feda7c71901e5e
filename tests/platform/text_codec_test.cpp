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
