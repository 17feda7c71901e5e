#include <fcntl.h>
#include <io.h>
#include <windows.h>

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

}  // namespace

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
