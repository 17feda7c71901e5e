#pragma once
// The current user's registry, read only: the mail client keeps its data folder and its user
// accounts there. Key paths are absolute from the hive's root ("\Software\...").
#include <memory>
#include <string>

namespace tavori::platform {

class RegistryKey {
  public:
    virtual ~RegistryKey() = default;
    virtual bool HasValue(const std::string& name) const = 0;
    // The value's text as stored (expandable strings are not expanded); empty when the value
    // is missing. Throws Error for a value of a kind other than a string.
    virtual std::string ReadString(const std::string& name) const = 0;
};

class Registry {
  public:
    virtual ~Registry() = default;
    // The key, or nullptr when it cannot be opened (a failure is silent).
    virtual std::unique_ptr<RegistryKey> OpenKey(const std::string& path) const = 0;
};

// The registry of the user running this program. On Windows the real one; elsewhere the
// mail client runs under Wine, so this reads the Wine prefix's user.reg ($WINEPREFIX, or
// ~/.wine). No user.reg there is an empty registry: the mail client has never run.
std::unique_ptr<Registry> OpenUserRegistry();

// A Wine registry file (user.reg format) read as the current user's hive. Available on every
// system, for tests and for reading another prefix. Throws IoError naming the file when it is
// missing, no regular file or unreadable, and ConvertError when it does not begin with Wine's
// header line (an empty or binary file); a value of the wrong kind names the file too.
std::unique_ptr<Registry> OpenWineRegistryFile(const std::string& path);

// A registry without keys.
std::unique_ptr<Registry> EmptyRegistry();

// A folder path as the registry stores it ("C:\Mail\") as a path of this system: unchanged
// on Windows; under Wine's layout elsewhere (the prefix's drive folders, "/" separators).
std::string FolderPathFromRegistry(const std::string& windowsPath);

}  // namespace tavori::platform
