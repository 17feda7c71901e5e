// The parts of the file services that are the same on every system.
#include "platform/errors.h"
#include "platform/file.h"

namespace tavori::platform {

std::string NotRegularFileMessage(const std::string& path, FileKind kind) {
    return PathError(path, kind == FileKind::kFolder
                               ? "は通常のファイルではありません (フォルダーです)"
                               : "は通常のファイルではありません (デバイスまたはパイプです)");
}

bool SameFile(const std::string& a, const std::string& b) {
    const auto idA = IdentityOf(a);
    const auto idB = IdentityOf(b);
    if (idA && idB) return *idA == *idB;
    if (idA || idB) return false;  // one exists, the other does not
    return SameFullPath(a, b);
}

}  // namespace tavori::platform
