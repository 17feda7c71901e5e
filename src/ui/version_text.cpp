#include "ui/version_text.h"

#include <cstdio>

#include "base/sjis_text.h"

namespace tavori::ui {

std::string VersionLine(const std::string& productName, const std::string& fileVersion) {
    std::string text = productName + "\nVersion. " + fileVersion + ")";
    // Never npos: "Version." itself has a dot.
    const std::size_t dot = text.rfind('.');
    text.replace(dot, 1, " (Build ");
    return text;
}

std::string ConvertCommentBreaks(std::string_view comments) {
    std::string out;
    out.reserve(comments.size());
    for (std::size_t i = 0; i < comments.size(); ++i) {
        const char c = comments[i];
        if (IsSjisLeadByte(c) && i + 1 < comments.size()) {
            out += c;
            out += comments[++i];
        } else if (c == '\\' && i + 1 < comments.size() && comments[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string StringFileInfoPrefix(unsigned language, unsigned codePage) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%04X%04X", language & 0xFFFFu, codePage & 0xFFFFu);
    return std::string("\\StringFileInfo\\") + digits + "\\";
}

}  // namespace tavori::ui
