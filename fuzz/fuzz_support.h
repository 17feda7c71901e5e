#pragma once
// What the fuzz harnesses share: a property check that ends the run the way a crash does, so
// the fuzzer keeps the input, and a scratch file for the readers that only take a path.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace tavori::fuzz {

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void Require(bool holds, const char* what) {
    if (!holds) Fail(what);
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A file of this process in the temporary folder, rewritten for every input and removed at
// exit. The name is random so that parallel fuzzer processes do not share one.
class ScratchFile {
  public:
    explicit ScratchFile(const std::string& extension) {
        std::random_device device;
        std::mt19937_64 random(device() ^ static_cast<std::uint64_t>(std::time(nullptr)));
        path_ = (std::filesystem::temp_directory_path() /
                 ("tavori-fuzz-" + std::to_string(random()) + extension))
                    .string();
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return path_; }
    void Write(std::string_view text) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out.flush()) Fail("the scratch file cannot be written");
    }

  private:
    std::string path_;
};

}  // namespace tavori::fuzz
