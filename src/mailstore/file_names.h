#pragma once
// Parts of a path, read the way Windows reads them: "\", "/" and ":" end a folder or drive
// name. Shift-JIS aware, since a "\" can be the second byte of a double-byte character.
#include <string>
#include <string_view>

#include "platform/sjis_text.h"

namespace tavori {

// Offset just behind the last "\", "/" or ":" (0 when there is none).
std::size_t FileNameStart(std::string_view path);

// The file name without its folder.
std::string FileNameOf(std::string_view path);

// The extension: from the last "." of the file name on ("" when the name has none).
std::string ExtensionOf(std::string_view path);

// The path with its extension replaced by ext (appended when it has none).
std::string ChangeExtension(std::string_view path, std::string_view ext);

}  // namespace tavori
