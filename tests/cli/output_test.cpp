#include "cli/output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <new>
#include <stdexcept>

#include "base/errors.h"
#include "test_support.h"

namespace tavori::cli {
namespace {

TEST(ShowControls, ControlBytesBecomeQuestionMarks) {
    const struct {
        std::string_view text, expected;
        const char* reason;
    } cases[] = {
        {"\x1b[2Jsubject", "?[2Jsubject", "ESC would start a screen-rewriting sequence"},
        {std::string_view("a\rb\nc\0d", 7), "a?b?c?d", "CR, LF and NUL inside a field"},
        {"del\x7f", "del?", "DEL"},
        {"a\tb", "a\tb", "TAB separates the columns of show and stays"},
        {"\x83\x5C\x95\x5C\x81\x40", "\x83\x5C\x95\x5C\x81\x40", "Shift-JIS passes whole"},
        {"\xB1 ~", "\xB1 ~", "half-width katakana, space and tilde are text"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShowControls(c.text), c.expected) << c.reason;
}

// The guard's stderr as raw Shift-JIS bytes, read back from a scratch file.
struct Guarded {
    int status;
    std::string err;
};

Guarded RunGuarded(const std::function<int()>& body) {
    test::ScratchDir dir;
    std::FILE* outFile = std::fopen(dir.File("out").c_str(), "w+b");
    std::FILE* errFile = std::fopen(dir.File("err").c_str(), "w+b");
    Output out(outFile, "out");
    Output err(errFile, "err");
    err.SetEncoding(OutputEncoding::kSjis);
    const int status = RunReportingFailures(out, err, body);
    std::fclose(outFile);
    std::fclose(errFile);
    return {status, test::ReadFile(dir.File("err"))};
}

TEST(RunReportingFailures, EveryExceptionEndsAsStatusOneWithAMessage) {
    const struct {
        std::function<int()> body;
        std::string expected;
        const char* reason;
    } cases[] = {
        {[]() -> int { throw IoError("\"a.mbx\" はありません"); },
         "tavori: \"a.mbx\" はありません\n", "the system's own errors"},
        {[]() -> int { throw std::bad_alloc(); }, "tavori: メモリが足りません\n", "out of memory"},
        {[]() -> int { throw std::out_of_range("basic_string::substr"); },
         "tavori: 予期しないエラー: basic_string::substr\n", "a library's exception"},
        {[]() -> int { throw 42; }, "tavori: 予期しないエラー\n", "not even a std::exception"},
    };
    for (const auto& c : cases) {
        const Guarded run = RunGuarded(c.body);
        EXPECT_EQ(run.status, 1) << c.reason;
        EXPECT_EQ(run.err, c.expected) << c.reason;
    }
}

}  // namespace
}  // namespace tavori::cli
