#include <windows.h>

#include <vector>

#include "platform/profile_file.h"

namespace tavori::platform {
namespace {

// Values are read through a buffer of this size, so at most 2047 bytes arrive.
constexpr DWORD kValueBuffer = 2048;
// The first buffer for a key list; a longer list is read again with a larger one, so no key
// of a long history is lost.
constexpr DWORD kKeyListBuffer = 16384;
constexpr DWORD kKeyListLimit = 64 * 1024 * 1024;

class Win32ProfileFile : public ProfileFile {
  public:
    explicit Win32ProfileFile(std::string path) : path_(std::move(path)) {}

    std::string ReadText(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const override {
        char buffer[kValueBuffer];
        DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                           buffer, kValueBuffer, path_.c_str());
        if (n >= kValueBuffer) n = kValueBuffer - 1;
        return std::string(buffer, n);
    }

    bool WriteText(const std::string& section, const std::string& key,
                   const std::string& value) override {
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                          path_.c_str()) != FALSE;
    }

    std::vector<std::string> Keys(const std::string& section) const override {
        for (DWORD size = kKeyListBuffer;; size *= 2) {
            std::vector<char> buffer(size, '\0');
            const DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                                     size, path_.c_str());
            // A list that did not fit comes back as size - 2 (size - 1 when the conversion to
            // the code page ran out of room), its last name cut.
            if (n + 2 >= size && size < kKeyListLimit) continue;
            std::vector<std::string> keys;
            std::size_t pos = 0;
            while (pos < n && buffer[pos] != '\0') {
                std::string name(buffer.data() + pos);
                pos += name.size() + 1;
                keys.push_back(std::move(name));
            }
            return keys;
        }
    }

    bool EraseSection(const std::string& section) override {
        return WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, path_.c_str()) !=
               FALSE;
    }

  private:
    std::string path_;
};

}  // namespace

std::unique_ptr<ProfileFile> OpenProfileFile(const std::string& path) {
    return std::make_unique<Win32ProfileFile>(path);
}

}  // namespace tavori::platform
