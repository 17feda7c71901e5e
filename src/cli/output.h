#pragma once
// Text output of the command-line tool: the system's Shift-JIS text written in the terminal's
// encoding, or as raw Shift-JIS bytes when asked for.
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace tavori::cli {

enum class OutputEncoding { kTerminal, kSjis };

class Output {
  public:
    // name: the stream as an error message calls it ("標準出力").
    Output(std::FILE* stream, const char* name) : stream_(stream), name_(name) {}
    // Raw Shift-JIS also puts the stream in binary mode: the same bytes on every system.
    void SetEncoding(OutputEncoding encoding);
    OutputEncoding Encoding() const { return encoding_; }
    // Writes the Shift-JIS text (and a line end). In the terminal's encoding control bytes
    // show as "?" (see ShowControls); raw Shift-JIS is written byte for byte.
    // Throws IoError when the stream fails (disk full, closed pipe).
    void Line(std::string_view sjis);
    void Write(std::string_view sjis);
    // The program's own terminal codes ("\r", erase to the end of the line), as they are.
    void Control(std::string_view codes);
    // Text that is in the terminal's encoding already (a command-line argument echoed back),
    // its control bytes shown as "?".
    void WriteNative(std::string_view text);
    // Throws IoError when anything written so far did not reach the file.
    void Flush();

  private:
    std::string ForStream(std::string_view sjis) const;
    void Put(std::string_view bytes);
    [[noreturn]] void Fail() const;

    std::FILE* stream_;
    const char* name_;
    OutputEncoding encoding_ = OutputEncoding::kTerminal;
};

// The text with its control bytes (below 0x20 except TAB, and 0x7F) replaced by "?": mail
// data must not reach a terminal as an escape sequence that rewrites the screen. Byte-wise
// is safe: no second byte of a Shift-JIS or UTF-8 character is below 0x40.
std::string ShowControls(std::string_view text);

// Runs the tool's body and returns its exit status, with standard output flushed. Whatever
// it throws ends as one line "tavori: <why>" on err and status 1: an exception leaving main
// would abort the program without a word.
int RunReportingFailures(Output& out, Output& err, const std::function<int()>& body);

}  // namespace tavori::cli
