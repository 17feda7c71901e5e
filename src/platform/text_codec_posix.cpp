#include <iconv.h>
#include <unistd.h>

#include <cerrno>

#include "base/errors.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

// One iconv conversion descriptor, closed on every way out.
class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        // iconv_open says it failed with (iconv_t)-1.
        if (cd_ == reinterpret_cast<iconv_t>(-1))  // NOLINT(performance-no-int-to-ptr)
            throw ConvertError(std::string("文字コード変換を準備できません: ") + from + " -> " +
                               to);
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Whether the system knows the conversion; the constructor above throws instead.
    static bool Opens(const char* to, const char* from) {
        const iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) return false;  // NOLINT(performance-no-int-to-ptr)
        iconv_close(cd);
        return true;
    }

    // Converts as much as it can; returns false at the first byte it cannot convert, with
    // in/inLeft pointing at it.
    bool Convert(const char*& in, std::size_t& inLeft, std::string& out) {
        char buffer[4096];
        while (inLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, const_cast<char**>(&in), &inLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

  private:
    iconv_t cd_;
};

// The length of the UTF-8 sequence at text[i] (iconv checks its value), or, as a negative
// number, the length of the broken one there: a lead byte with the continuation bytes that
// follow it, as far as they go, is one broken character, as Windows reads it.
std::ptrdiff_t SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t n = lead < 0x80   ? 1
                          : lead < 0xC2 ? 0
                          : lead < 0xE0 ? 2
                          : lead < 0xF0 ? 3
                          : lead < 0xF5 ? 4
                                        : 0;
    if (n == 0) return -1;
    std::size_t k = 1;
    while (k < n && i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80)
        ++k;
    return k == n ? static_cast<std::ptrdiff_t>(n) : -static_cast<std::ptrdiff_t>(k);
}

// Only names made of these reach iconv: a "//" suffix in a mail's charset would ask iconv for
// transliteration or for ignoring errors.
bool IsPlainCharsetName(std::string_view name) {
    if (name.empty() || name.size() > 40) return false;
    for (char c : name) {
        const bool letter =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!letter && c != '-' && c != '_' && c != '.' && c != ':' && c != '+') return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> CharsetToUtf8(std::string_view charset, std::string_view text) {
    const std::string name(charset);
    if (!IsPlainCharsetName(name) || !Iconv::Opens("UTF-8", name.c_str())) return std::nullopt;
    Iconv conv("UTF-8", name.c_str());
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    const char* in = text.data();
    std::size_t left = text.size();
    while (!conv.Convert(in, left, out)) {
        out += "\xEF\xBF\xBD";
        if (errno == EINVAL) break;  // a character cut short by the end
        ++in;
        --left;
    }
    return out;
}

std::string Utf8ToSjisExact(std::string_view utf8, std::string_view replacement,
                            std::size_t& replaced) {
    Iconv to("CP932", "UTF-8");
    Iconv back("UTF-8", "CP932");
    std::string out;
    out.reserve(utf8.size());
    {  // the whole text at once, as nearly always
        const char* in = utf8.data();
        std::size_t left = utf8.size();
        if (to.Convert(in, left, out)) {
            std::string check;
            const char* sjis = out.data();
            std::size_t sjisLeft = out.size();
            if (back.Convert(sjis, sjisLeft, check) && check == utf8) return out;
        }
    }
    // Character by character: iconv writes some characters as look-alikes (a yen sign as
    // 0x5C) that read back as others; those count as missing, as Windows has them.
    out.clear();
    std::string one, check;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::ptrdiff_t length = SequenceLength(utf8, i);
        const std::size_t n = static_cast<std::size_t>(length < 0 ? -length : length);
        if (length == 1) {
            out += utf8[i++];
            continue;
        }
        bool exact = false;
        if (length > 1) {
            one.clear();
            check.clear();
            const char* in = utf8.data() + i;
            std::size_t left = n;
            if (to.Convert(in, left, one)) {
                const char* sjis = one.data();
                std::size_t sjisLeft = one.size();
                exact = back.Convert(sjis, sjisLeft, check) && check == utf8.substr(i, n);
            }
        }
        if (exact) {
            out += one;
        } else {
            out += replacement;
            ++replaced;
        }
        i += n;
    }
    return out;
}

std::string SjisToUtf8(std::string_view sjis) {
    std::string out;
    out.reserve(sjis.size() + sjis.size() / 2);
    Iconv conv("UTF-8", "CP932");
    const char* in = sjis.data();
    std::size_t left = sjis.size();
    while (!conv.Convert(in, left, out)) {
        out += "\xEF\xBF\xBD";  // U+FFFD, then go on behind the offending byte
        ++in;
        --left;
    }
    return out;
}

std::string Utf8ToSjis(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    Iconv conv("CP932", "UTF-8");
    const char* in = utf8.data();
    std::size_t left = utf8.size();
    if (!conv.Convert(in, left, out))
        throw ConvertError("Shift-JIS で表せない文字か、正しくない UTF-8 があります");
    return out;
}

std::string ToTerminal(std::string_view sjis) { return SjisToUtf8(sjis); }

std::string FromCommandLine(std::string_view arg) { return Utf8ToSjis(arg); }

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

void SetBinaryOutput(std::FILE*) {}

}  // namespace tavori::platform
