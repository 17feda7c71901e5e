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

std::string BaseName(std::string_view path) {
    // A "\" can be the second byte of a Shift-JIS character, so walk the characters.
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            ++i;
        } else if (c == '\\' || c == '/' || c == ':') {
            start = i + 1;
        }
    }
    return std::string(path.substr(start));
}

}  // namespace tavori::cli
