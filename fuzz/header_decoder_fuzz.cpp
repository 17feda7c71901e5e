// DecodeHeader and the ISO-2022-JP conversions on any bytes: decoding never adds header lines,
// and the in-place conversion agrees with the copying one without overtaking its input.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "decode/header_decoder.h"
#include "decode/jis.h"
#include "fuzz_support.h"

using tavori::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = tavori::fuzz::AsText(data, size);

    const std::string decoded = tavori::DecodeHeader(text);
    Require(std::count(decoded.begin(), decoded.end(), '\n') ==
                std::count(text.begin(), text.end(), '\n'),
            "decoding changes the number of header lines");
    std::string inPlace(text);
    tavori::DecodeHeaderInPlace(inPlace);
    Require(inPlace == decoded, "DecodeHeaderInPlace differs from DecodeHeader");

    const std::string jis = tavori::DecodeJis(text);
    Require(jis.size() <= text.size(), "DecodeJis makes a text longer");
    std::string buffer(text);
    const std::size_t written = tavori::DecodeJisInto(buffer, buffer.data());
    Require(written <= text.size(), "DecodeJisInto writes past its text");
    Require(buffer.compare(0, written, jis) == 0 && written == jis.size(),
            "DecodeJisInto in place differs from DecodeJis");
    return 0;
}
