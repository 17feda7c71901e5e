#pragma once
// Text output of the command-line tool: the system's Shift-JIS text written in the terminal's
// encoding, or as raw Shift-JIS bytes when asked for.
#include <cstdio>
#include <string>
#include <string_view>

namespace tavori::cli {

enum class OutputEncoding { kTerminal, kSjis };

class Output {
  public:
    explicit Output(std::FILE* stream = stdout) : stream_(stream) {}
    void SetEncoding(OutputEncoding encoding) { encoding_ = encoding; }
    OutputEncoding Encoding() const { return encoding_; }
    // Writes the Shift-JIS text and a line end.
    void Line(std::string_view sjis);
    void Write(std::string_view sjis);
    void Flush();

  private:
    std::FILE* stream_;
    OutputEncoding encoding_ = OutputEncoding::kTerminal;
};

}  // namespace tavori::cli
