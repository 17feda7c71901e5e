#pragma once
// A profile (INI) file read and written key by key, the way Windows' profile-string service
// does it: "[section]" lines and "key=value" lines in Shift-JIS with CR LF line ends. Section
// and key names are compared without regard to the case of ASCII letters. On reading, blanks
// around keys and values are dropped and one matching pair of quotes ('...' or "...") around a
// value is removed; a value that must keep such blanks or quotes is written inside quotes.
// Every write goes to the file at once.
#include <memory>
#include <string>
#include <vector>

namespace tavori::platform {

class ProfileFile {
  public:
    virtual ~ProfileFile() = default;

    // The value, whole however long, or defaultValue when the file, the section or the key is
    // missing or the file cannot be read. The default goes through the same reading rules
    // (trailing spaces and one pair of quotes dropped). Of repeated names the first counts, as
    // Windows reads them: only the first section of that name is read, and in it the first key.
    virtual std::string ReadText(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const = 0;

    // Stores the value, creating the file, the section or the key where missing and replacing
    // an existing key's value in place. False when the file cannot be written (read-only file,
    // missing or read-only folder); the file then keeps its old content.
    virtual bool WriteText(const std::string& section, const std::string& key,
                           const std::string& value) = 0;

    // The names of the section's keys that have a value, in file order, repeated names
    // included; of the first section of that name only. Empty when the file or the section is
    // missing.
    virtual std::vector<std::string> Keys(const std::string& section) const = 0;

    // Removes the section with all its keys (every section of that name). True also when there
    // is no such section; false when the file cannot be written.
    virtual bool EraseSection(const std::string& section) = 0;
};

// The profile file of that full path (it need not exist yet). Nothing is opened here: every
// call goes to the file anew.
std::unique_ptr<ProfileFile> OpenProfileFile(const std::string& path);

}  // namespace tavori::platform
