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

}  // namespace

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
