#include "cli/output.h"

#include "platform/text_codec.h"

namespace tavori::cli {

void Output::Write(std::string_view sjis) {
    if (encoding_ == OutputEncoding::kSjis) {
        std::fwrite(sjis.data(), 1, sjis.size(), stream_);
    } else {
        const std::string text = platform::ToTerminal(sjis);
        std::fwrite(text.data(), 1, text.size(), stream_);
    }
}

void Output::Line(std::string_view sjis) {
    Write(sjis);
    std::fputc('\n', stream_);
}

void Output::Flush() { std::fflush(stream_); }

}  // namespace tavori::cli
