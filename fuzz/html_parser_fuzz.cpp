// THTMLParser on any page: it never fails, and the text it gives is trimmed.
#include <cstdint>
#include <string>
#include <string_view>

#include "decode/html_parser.h"
#include "fuzz_support.h"

using tavori::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page = tavori::fuzz::AsText(data, size);
    const std::string text = tavori::HtmlToText(std::string(page));
    if (!text.empty()) {
        Require(static_cast<unsigned char>(text.front()) > 0x20, "text starts with a blank");
        Require(static_cast<unsigned char>(text.back()) > 0x20, "text ends with a blank");
    }
    Require(text.find('\0') == std::string::npos, "text holds a NUL byte");

    // The token loop on its own, as the cut-out preview steps through a page.
    tavori::THTMLParser parser{std::string(page)};
    for (std::size_t steps = 0; parser.Kind() != tavori::THTMLParser::kEnd; ++steps) {
        Require(steps <= page.size() + 1, "the token loop does not end");
        parser.NextToken();
    }
    return 0;
}
