#include <sys/stat.h>

#include <cstdlib>

#include "base/sjis_text.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

// The Wine prefix the mail client runs in, as Shift-JIS text without a final "/".
std::string WinePrefix() {
    const char* prefix = std::getenv("WINEPREFIX");
    std::string path;
    if (prefix && *prefix) {
        path = prefix;
    } else {
        const char* home = std::getenv("HOME");
        path = std::string(home ? home : "") + "/.wine";
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return Utf8ToSjis(path);
}

bool IsFolder(const std::string& sjisPath) {
    struct stat st {};
    return ::stat(SjisToUtf8(sjisPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::unique_ptr<Registry> OpenUserRegistry() {
    const std::string path = WinePrefix() + "/user.reg";
    if (KindOf(path) == FileKind::kMissing) return EmptyRegistry();
    return OpenWineRegistryFile(path);
}

std::string FolderPathFromRegistry(const std::string& windowsPath) {
    std::string rest = windowsPath;
    std::string base;
    const bool drive = rest.size() >= 2 && rest[1] == ':' &&
                       ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'));
    if (drive) {
        const char letter = static_cast<char>(rest[0] | 0x20);
        const std::string prefix = WinePrefix();
        base = prefix + "/dosdevices/" + letter + ":";
        if (!IsFolder(base)) base = letter == 'c' ? prefix + "/drive_c" : letter == 'z' ? "" : base;
        rest.erase(0, 2);
    }
    // "\" becomes "/", except as the second byte of a double-byte character.
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (IsSjisLeadByte(rest[i]))
            ++i;
        else if (rest[i] == '\\')
            rest[i] = '/';
    }
    return base + rest;
}

}  // namespace tavori::platform
