// Encoding detection and conversion of any bytes: the conversions work in place, so they must
// never make a text longer, and a text found to be Shift-JIS (and nothing else) stays as it is.
#include <cstdint>
#include <string>
#include <string_view>

#include "decode/kanj_conv.h"
#include "fuzz_support.h"

using tavori::fuzz::Require;
namespace kanj = tavori::kanj;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = tavori::fuzz::AsText(data, size);
    const int found = kanj::IsSjisText(text) | kanj::IsEucText(text) | kanj::IsJisText(text);

    std::string converted(text);
    kanj::ConvertToSjis(converted);
    Require(converted.size() <= text.size(), "ConvertToSjis makes a text longer");
    if (found == kanj::kSjis) Require(converted == text, "ConvertToSjis changes Shift-JIS text");

    std::string euc(text);
    kanj::EucToSjis(euc);
    Require(euc.size() <= text.size(), "EucToSjis makes a text longer");
    std::string jis(text);
    kanj::JisToSjisInPlace(jis);
    Require(jis.size() <= text.size(), "JisToSjisInPlace makes a text longer");
    return 0;
}
