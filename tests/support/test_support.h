#pragma once
// Helpers for tests: scratch folders and files, removed when the test ends.
#include <string>
#include <string_view>

namespace tavori::test {

// A new empty folder for one test, deleted with everything in it by the destructor.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    // path + name; the folder separator of the platform is used.
    std::string File(std::string_view name) const;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// The path of a fixture in tests/data.
std::string DataFile(std::string_view name);

}  // namespace tavori::test
