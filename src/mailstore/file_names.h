#pragma once
// Parts of a path, read the way Windows reads them: "\", "/" and ":" end a folder or drive
// name. Shift-JIS aware, since a "\" can be the second byte of a double-byte character.
#include <string>
#include <string_view>

namespace tavori {

// True for a Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC).
inline bool IsSjisLeadByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC);
}

// Offset just behind the last "\", "/" or ":" (0 when there is none).
std::size_t FileNameStart(std::string_view path);

// The file name without its folder.
std::string FileNameOf(std::string_view path);

// The extension: from the last "." of the file name on ("" when the name has none).
std::string ExtensionOf(std::string_view path);

// The path with its extension replaced by ext (appended when it has none).
std::string ChangeExtension(std::string_view path, std::string_view ext);

// ASCII letters in upper case, all other bytes (Shift-JIS characters too) unchanged.
std::string UpperAscii(std::string_view text);

}  // namespace tavori
