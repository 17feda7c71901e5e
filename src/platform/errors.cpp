#include "platform/errors.h"

namespace tavori {

std::string FileErrorMessage(const std::string& what, const std::string& path,
                             const std::string& reason) {
    std::string message = what + " \"" + path + "\"";
    if (!reason.empty()) message += ": " + reason;
    return message;
}

}  // namespace tavori
