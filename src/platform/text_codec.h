#pragma once
// Conversions between the system's Shift-JIS (code page 932) text and the encodings at its
// edges: UTF-8 file names and terminals on Linux, the console code page on Windows.
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace tavori::platform {

// Shift-JIS to UTF-8. A byte sequence that is no Shift-JIS character becomes U+FFFD.
std::string SjisToUtf8(std::string_view sjis);

// UTF-8 to Shift-JIS. Throws ConvertError when the text is no valid UTF-8 or holds a
// character that Shift-JIS cannot represent.
std::string Utf8ToSjis(std::string_view utf8);

// Text in a MIME charset (its registered name or a common alias, letter case ignored) as
// UTF-8; bytes that form no character of it become U+FFFD. nullopt when the system cannot
// convert that charset.
std::optional<std::string> CharsetToUtf8(std::string_view charset, std::string_view text);

// UTF-8 as code page 932, exactly: every character whose code-page bytes would not read back
// as itself (no best fit, such as a yen sign written as a backslash) and every invalid
// sequence becomes replacement, each counted in replaced.
std::string Utf8ToSjisExact(std::string_view utf8, std::string_view replacement,
                            std::size_t& replaced);

// Text for the terminal or console the program writes to, and command-line arguments
// turned into the system's text.
std::string ToTerminal(std::string_view sjis);
std::string FromCommandLine(std::string_view arg);

// True when the stream is a terminal or console (not a file, a pipe or the null device).
bool IsTerminal(std::FILE* stream);

// Lets the bytes written to the stream reach the file or pipe unchanged: a Windows stream in
// text mode writes every "\n" as CR LF (and a CR LF as CR CR LF). Nothing to do on POSIX.
void SetBinaryOutput(std::FILE* stream);

}  // namespace tavori::platform
