// Encoding detection and conversion of any bytes: the conversions work in place, so they must
// never make a text longer, and a text found to be Shift-JIS (and nothing else) stays as it is.
// The import's reading of a file leaves a text it does not convert untouched, and counts no
// more characters as lacking than it wrote 〓.
#include <cstdint>
#include <string>
#include <string_view>

#include "decode/kanj_conv.h"
#include "fuzz_support.h"
#include "mime/import_text.h"

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

    for (const bool html : {false, true}) {
        std::string imported(text);
        std::size_t unmapped = 0;
        const auto kind = tavori::mime::ConvertImportText(imported, html, unmapped);
        if (kind == tavori::mime::ImportEncoding::kJapanese) {
            Require(imported == text && unmapped == 0, "an unconverted text was changed");
        } else {
            // Every character counted as lacking is a 〓 of the Shift-JIS text, and no byte
            // gives more than two.
            std::size_t geta = 0;
            for (std::size_t i = 0; i < imported.size(); ++i) {
                const auto b = static_cast<unsigned char>(imported[i]);
                if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
                    geta += imported.compare(i, 2, "\x81\xAC") == 0 ? 1 : 0;
                    ++i;
                }
            }
            Require(geta >= unmapped, "a character counted as lacking is no 〓");
            Require(imported.size() <= 2 * text.size(), "the conversion more than doubles a text");
        }
    }
    return 0;
}
