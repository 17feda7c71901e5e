#include "base/paths.h"

namespace tavori {

std::size_t FileNameStart(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsSjisLeadByte(path[i])) {
            ++i;
        } else if (path[i] == '\\' || path[i] == '/' || path[i] == ':') {
            start = i + 1;
        }
    }
    return start;
}

std::string FileNameOf(std::string_view path) {
    return std::string(path.substr(FileNameStart(path)));
}

namespace {

// Offset of the extension's "." or npos. The name's bytes are walked as characters, so a
// trail byte never counts.
std::size_t ExtensionStart(std::string_view path) {
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = FileNameStart(path); i < path.size(); ++i) {
        if (IsSjisLeadByte(path[i]))
            ++i;
        else if (path[i] == '.')
            dot = i;
    }
    return dot;
}

}  // namespace

std::string ExtensionOf(std::string_view path) {
    const std::size_t dot = ExtensionStart(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ChangeExtension(std::string_view path, std::string_view ext) {
    const std::size_t dot = ExtensionStart(path);
    std::string out(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
    out += ext;
    return out;
}

bool EndsWithSeparator(std::string_view path) {
    bool separator = false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        separator = path[i] == '\\' || path[i] == '/';
        if (IsSjisLeadByte(path[i])) ++i;
    }
    return separator;
}

std::string WithFinalSeparator(std::string folder, char separator) {
    if (!folder.empty() && !EndsWithSeparator(folder)) folder += separator;
    return folder;
}

std::string MailboxFileName(std::string_view name) { return ChangeExtension(name, ".mbx"); }

std::string RenFileName(std::string_view name) { return ChangeExtension(name, ".REN"); }

}  // namespace tavori
