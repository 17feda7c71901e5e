#pragma once
// Parts of a path, read the way Windows reads them: "\", "/" and ":" end a folder or drive
// name. Shift-JIS aware, since a "\" can be the second byte of a double-byte character.
#include <string>
#include <string_view>

#include "base/sjis_text.h"

namespace tavori {

// Offset just behind the last "\", "/" or ":" (0 when there is none).
std::size_t FileNameStart(std::string_view path);

// The file name without its folder.
std::string FileNameOf(std::string_view path);

// The extension: from the last "." of the file name on ("" when the name has none).
std::string ExtensionOf(std::string_view path);

// The path with its extension replaced by ext (appended when it has none).
std::string ChangeExtension(std::string_view path, std::string_view ext);

// The names of the files the jobs write: the extension (from the last "." after the last "\",
// "/" or ":") replaced by ".mbx" or ".REN", or appended when there is none.
std::string MailboxFileName(std::string_view name);
std::string RenFileName(std::string_view name);

// True when path ends in "\" or "/" (not the second byte of a double-byte character such as
// "表"): a file name can follow it directly.
bool EndsWithSeparator(std::string_view path);

// folder with separator behind it unless it ends in one; "" stays "" (no folder: the name
// alone). A drive's "C:" becomes its root "C:\".
std::string WithFinalSeparator(std::string folder, char separator);

}  // namespace tavori
