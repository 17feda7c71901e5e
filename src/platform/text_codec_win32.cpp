#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <array>

#include "base/errors.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

constexpr UINT kSjis = 932;

std::wstring ToWide(UINT codePage, std::string_view text, DWORD flags) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                nullptr, 0);
    if (n <= 0) throw ConvertError("文字コードを変換できません");
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(),
                        n);
    return wide;
}

std::string FromWide(UINT codePage, const std::wstring& wide, bool strict) {
    if (wide.empty()) return {};
    BOOL lost = FALSE;
    BOOL* lostPtr = (strict && codePage != CP_UTF8) ? &lost : nullptr;
    int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, lostPtr);
    if (n <= 0 || lost) throw ConvertError("Shift-JIS で表せない文字があります");
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

struct CharsetCodePage {
    std::string_view name;  // lower case
    UINT codePage;
};

// MIME charset names and their aliases, as the code pages Windows converts.
constexpr std::array kCharsets{
    CharsetCodePage{"utf-8", CP_UTF8},      CharsetCodePage{"utf8", CP_UTF8},
    CharsetCodePage{"us-ascii", 20127},     CharsetCodePage{"ascii", 20127},
    CharsetCodePage{"shift_jis", 932},      CharsetCodePage{"shift-jis", 932},
    CharsetCodePage{"sjis", 932},           CharsetCodePage{"x-sjis", 932},
    CharsetCodePage{"cp932", 932},          CharsetCodePage{"windows-31j", 932},
    CharsetCodePage{"ms_kanji", 932},       CharsetCodePage{"euc-jp", 20932},
    CharsetCodePage{"iso-2022-jp", 50220},  CharsetCodePage{"iso-8859-1", 28591},
    CharsetCodePage{"latin1", 28591},       CharsetCodePage{"iso-8859-2", 28592},
    CharsetCodePage{"iso-8859-3", 28593},   CharsetCodePage{"iso-8859-4", 28594},
    CharsetCodePage{"iso-8859-5", 28595},   CharsetCodePage{"iso-8859-6", 28596},
    CharsetCodePage{"iso-8859-7", 28597},   CharsetCodePage{"iso-8859-8", 28598},
    CharsetCodePage{"iso-8859-9", 28599},   CharsetCodePage{"iso-8859-13", 28603},
    CharsetCodePage{"iso-8859-15", 28605},  CharsetCodePage{"windows-1250", 1250},
    CharsetCodePage{"windows-1251", 1251},  CharsetCodePage{"windows-1252", 1252},
    CharsetCodePage{"windows-1253", 1253},  CharsetCodePage{"windows-1254", 1254},
    CharsetCodePage{"windows-1255", 1255},  CharsetCodePage{"windows-1256", 1256},
    CharsetCodePage{"windows-1257", 1257},  CharsetCodePage{"windows-1258", 1258},
    CharsetCodePage{"cp1252", 1252},        CharsetCodePage{"koi8-r", 20866},
    CharsetCodePage{"koi8-u", 21866},       CharsetCodePage{"euc-kr", 949},
    CharsetCodePage{"ks_c_5601-1987", 949}, CharsetCodePage{"cp949", 949},
    CharsetCodePage{"gb2312", 936},         CharsetCodePage{"gbk", 936},
    CharsetCodePage{"cp936", 936},          CharsetCodePage{"gb18030", 54936},
    CharsetCodePage{"big5", 950},           CharsetCodePage{"cp950", 950},
    CharsetCodePage{"utf-7", CP_UTF7},
};

UINT CodePageOf(std::string_view charset) {
    std::string lower(charset);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const auto* found = std::find_if(kCharsets.begin(), kCharsets.end(),
                                     [&](const CharsetCodePage& e) { return e.name == lower; });
    if (found == kCharsets.end()) return 0;
    if (IsValidCodePage(found->codePage)) return found->codePage;
    // Systems without GB 18030 still read its two-byte part, which is GBK.
    if (found->codePage == 54936 && IsValidCodePage(936)) return 936;
    return 0;
}

// The UTF-16 code units of one character at wide[i]: 2 for a surrogate pair.
std::size_t UnitsAt(const std::wstring& wide, std::size_t i) {
    const bool high = wide[i] >= 0xD800 && wide[i] <= 0xDBFF;
    return high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF ? 2 : 1;
}

}  // namespace

std::optional<std::string> CharsetToUtf8(std::string_view charset, std::string_view text) {
    const UINT codePage = CodePageOf(charset);
    if (codePage == 0) return std::nullopt;
    if (text.empty()) return std::string();
    // Bytes that form no character become U+FFFD (or the code page's default character).
    return FromWide(CP_UTF8, ToWide(codePage, text, 0), false);
}

std::string Utf8ToSjisExact(std::string_view utf8, std::string_view replacement,
                            std::size_t& replaced) {
    if (utf8.empty()) return {};
    // Invalid sequences become U+FFFD, which code page 932 lacks.
    const std::wstring wide = ToWide(CP_UTF8, utf8, 0);
    std::string out;
    BOOL lost = FALSE;
    // No best fit: a character either has its own bytes in the code page or is missing.
    int n = WideCharToMultiByte(kSjis, WC_NO_BEST_FIT_CHARS, wide.data(),
                                static_cast<int>(wide.size()), nullptr, 0, nullptr, &lost);
    if (n > 0 && !lost) {
        out.resize(static_cast<std::size_t>(n));
        WideCharToMultiByte(kSjis, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                            out.data(), n, nullptr, nullptr);
        return out;
    }
    char bytes[8];
    for (std::size_t i = 0; i < wide.size();) {
        const std::size_t units = UnitsAt(wide, i);
        BOOL missing = FALSE;
        const int k =
            WideCharToMultiByte(kSjis, WC_NO_BEST_FIT_CHARS, wide.data() + i,
                                static_cast<int>(units), bytes, sizeof bytes, nullptr, &missing);
        if (k > 0 && !missing && wide[i] != 0xFFFD) {
            out.append(bytes, static_cast<std::size_t>(k));
        } else {
            out += replacement;
            ++replaced;
        }
        i += units;
    }
    return out;
}

std::string SjisToUtf8(std::string_view sjis) {
    return FromWide(CP_UTF8, ToWide(kSjis, sjis, 0), false);
}

std::string Utf8ToSjis(std::string_view utf8) {
    return FromWide(kSjis, ToWide(CP_UTF8, utf8, MB_ERR_INVALID_CHARS), true);
}

std::string ToTerminal(std::string_view sjis) {
    UINT cp = GetConsoleOutputCP();
    if (cp == 0 || cp == kSjis) return std::string(sjis);
    return FromWide(cp, ToWide(kSjis, sjis, 0), false);
}

// Narrow arguments arrive in the ANSI code page, which is 932 on the systems this serves.
std::string FromCommandLine(std::string_view arg) {
    if (GetACP() == kSjis) return std::string(arg);
    return FromWide(kSjis, ToWide(CP_ACP, arg, 0), true);
}

bool IsTerminal(std::FILE* stream) {
    const int fd = _fileno(stream);
    if (_isatty(fd) == 0) return false;
    // The NUL device is a character device as well; only a console shows a progress line,
    // and one drawn into NUL ("2>NUL") costs the job a write per step.
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &mode) != 0;
}

void SetBinaryOutput(std::FILE* stream) {
    std::fflush(stream);  // what is buffered was written in the old mode
    _setmode(_fileno(stream), _O_BINARY);
}

}  // namespace tavori::platform
