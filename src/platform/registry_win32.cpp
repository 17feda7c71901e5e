#include <windows.h>

#include <vector>

#include "base/errors.h"
#include "platform/registry.h"

namespace tavori::platform {
namespace {

class Win32Key : public RegistryKey {
  public:
    Win32Key(HKEY key, std::string path) : key_(key), path_(std::move(path)) {}
    ~Win32Key() override { RegCloseKey(key_); }
    Win32Key(const Win32Key&) = delete;
    Win32Key& operator=(const Win32Key&) = delete;

    bool HasValue(const std::string& name) const override {
        return RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

    std::string ReadString(const std::string& name) const override {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return {};
        // The whole key with its hive, so the user can find the value in the registry editor.
        const std::string value =
            "レジストリの値 \"" + name + "\" (HKEY_CURRENT_USER" + path_ + ") ";
        if (type != REG_SZ && type != REG_EXPAND_SZ) throw Error(value + "は文字列ではありません");
        std::vector<char> data(size + 1, '\0');
        DWORD got = size;
        LONG rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.data()), &got);
        if (rc != ERROR_SUCCESS) throw Error(value + "を読み込めません");
        std::string text(data.data(), got);
        while (!text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }

  private:
    HKEY key_;
    std::string path_;
};

class Win32Registry : public Registry {
  public:
    std::unique_ptr<RegistryKey> OpenKey(const std::string& path) const override {
        // The absolute paths are relative to the hive's root; the API takes them without the
        // leading "\".
        std::string relative = path;
        while (!relative.empty() && relative.front() == '\\') relative.erase(0, 1);
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, relative.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<Win32Key>(key, path);
    }
};

}  // namespace

std::unique_ptr<Registry> OpenUserRegistry() { return std::make_unique<Win32Registry>(); }

std::string FolderPathFromRegistry(const std::string& windowsPath) { return windowsPath; }

}  // namespace tavori::platform
