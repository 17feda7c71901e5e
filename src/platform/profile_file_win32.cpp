#include <windows.h>

#include <vector>

#include "platform/profile_file.h"

namespace tavori::platform {
namespace {

// The first buffer for a value; a longer one (a long HTML string) is read again with a larger
// buffer, so it arrives whole.
constexpr DWORD kValueBuffer = 2048;
// The first buffer for a key list; a longer list is read again with a larger one, so no key
// of a long history is lost.
constexpr DWORD kKeyListBuffer = 16384;
// Neither buffer grows past this: a file that big is no settings file.
constexpr DWORD kBufferLimit = 64 * 1024 * 1024;

class Win32ProfileFile : public ProfileFile {
  public:
    explicit Win32ProfileFile(std::string path) : path_(std::move(path)) {}

    std::string ReadText(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const override {
        for (DWORD size = kValueBuffer;; size *= 2) {
            std::vector<char> buffer(size, '\0');
            DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                               buffer.data(), size, path_.c_str());
            // A value that did not fit comes back as size - 1 bytes, cut (also when its UTF-16
            // form fitted and the code page's did not); one that just fits looks the same.
            if (n + 1 >= size && size < kBufferLimit) continue;
            if (n >= size) n = size - 1;
            return std::string(buffer.data(), n);
        }
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
            if (n + 2 >= size && size < kBufferLimit) continue;
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
