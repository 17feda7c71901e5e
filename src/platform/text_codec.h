#pragma once
// Conversions between the system's Shift-JIS (code page 932) text and the encodings at its
// edges: UTF-8 file names and terminals on Linux, the console code page on Windows.
#include <cstdio>
#include <string>
#include <string_view>

namespace tavori::platform {

// Shift-JIS to UTF-8. A byte sequence that is no Shift-JIS character becomes U+FFFD.
std::string SjisToUtf8(std::string_view sjis);

// UTF-8 to Shift-JIS. Throws ConvertError when the text is no valid UTF-8 or holds a
// character that Shift-JIS cannot represent.
std::string Utf8ToSjis(std::string_view utf8);

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
