#include "ui/settings.h"

#include <climits>
#include <optional>
#include <set>
#include <string_view>

#include "base/paths.h"
#include "base/sjis_text.h"
#include "platform/locale.h"

namespace tavori::ui {
namespace {

constexpr char kConvert[] = "Convert";
constexpr char kHtml[] = "HTML";
constexpr char kHistory[] = "HISTORY";
constexpr int kMinWordCount = 40, kMaxWordCount = 255;
constexpr char kFullWidthSpace[] = "\x81\x40";

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decimal with an optional sign, or hexadecimal after "0x" / "0X" when there is more than the
// prefix; nothing when the text is no number or leaves the range of int.
std::optional<int> ParseInteger(std::string_view text) {
    text = TrimWhite(text);
    int base = 10;
    bool negative = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        const int digit = DigitValue(c);
        if (digit < 0 || digit >= base) return std::nullopt;
        value = value * base + digit;
        if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

int ReadInteger(const platform::ProfileFile& file, const char* section, const char* key,
                int defaultValue) {
    return ParseInteger(file.ReadText(section, key, "")).value_or(defaultValue);
}

// The profile service drops blanks around a value and one pair of quotes: such a value is
// stored inside double quotes, which the reading takes off again, so it comes back unchanged.
// (Quoting more often than needed does no harm.)
std::string Stored(const std::string& value) {
    if (value.empty()) return value;
    const std::string_view v = value;
    const bool blankEdge = static_cast<unsigned char>(v.front()) <= 0x20 ||
                           static_cast<unsigned char>(v.back()) <= 0x20 ||
                           v.starts_with(kFullWidthSpace) || v.ends_with(kFullWidthSpace);
    if (blankEdge || v.front() == '"' || v.front() == '\'') return "\"" + value + "\"";
    return value;
}

}  // namespace

std::string SettingsFileName(const std::string& exePath) {
    return ChangeExtension(exePath, ".ini");
}

Settings LoadSettings(const platform::ProfileFile& file) {
    Settings s;
    s.outputDir = file.ReadText(kConvert, "TOMOHOME", "");
    s.importDir = file.ReadText(kConvert, "IMPORTDIR", "");
    const int width = ReadInteger(file, kConvert, "WCOUNT", kMinWordCount);
    s.wordCount = width < kMinWordCount   ? kMinWordCount
                  : width > kMaxWordCount ? kMaxWordCount
                                          : width;
    s.hyperRef = ReadInteger(file, kConvert, "HYPERFIND", 0) != 0;
    s.decode = ReadInteger(file, kConvert, "DECODE", 0) != 0;
    s.mailBegin = file.ReadText(kHtml, "BEGIN", s.mailBegin);
    s.mailEnd = file.ReadText(kHtml, "END", s.mailEnd);
    // Any key of the section counts, in file order; the numbers after "FILE" mean nothing on
    // reading. A name seen before (ASCII case ignored) would only read the same value again.
    std::set<std::string> seen;
    for (const std::string& key : file.Keys(kHistory)) {
        std::string value = file.ReadText(kHistory, key, "");
        if (value.empty() || !seen.insert(UpperAscii(key)).second) continue;
        s.history.push_back(std::move(value));
    }
    return s;
}

bool SaveSettings(platform::ProfileFile& file, const Settings& settings,
                  const std::string& wordCountText) {
    const int width = ParseInteger(wordCountText).value_or(kMinWordCount);
    if (!file.WriteText(kConvert, "TOMOHOME", Stored(settings.outputDir)) ||
        !file.WriteText(kConvert, "IMPORTDIR", Stored(settings.importDir)) ||
        !file.WriteText(kConvert, "WCOUNT", std::to_string(width)) ||
        !file.WriteText(kConvert, "HYPERFIND", settings.hyperRef ? "1" : "0") ||
        !file.WriteText(kConvert, "DECODE", settings.decode ? "1" : "0") ||
        !file.WriteText(kHtml, "BEGIN", Stored(settings.mailBegin)) ||
        !file.WriteText(kHtml, "END", Stored(settings.mailEnd)) || !file.EraseSection(kHistory))
        return false;
    for (std::size_t i = 0; i < settings.history.size(); ++i)
        if (!file.WriteText(kHistory, "FILE" + std::to_string(i), Stored(settings.history[i])))
            return false;
    return true;
}

bool AddToNameHistory(std::vector<std::string>& history, const std::string& name) {
    for (const std::string& item : history)
        if (platform::CompareTextIgnoreCase(item, name) == 0) return false;
    history.push_back(name);
    return true;
}

}  // namespace tavori::ui
