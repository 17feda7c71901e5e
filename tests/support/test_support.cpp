#include "test_support.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace tavori::test {
namespace fs = std::filesystem;

namespace {
#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif
}  // namespace

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    fs::path base = fs::temp_directory_path();
    for (;;) {
        fs::path p =
            base / ("tavori-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
        if (fs::create_directory(p)) {
            path_ = p.string();
            break;
        }
    }
    if (path_.back() != kSep) path_ += kSep;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(fs::path(path_), ec);
}

std::string ScratchDir::File(std::string_view name) const { return path_ + std::string(name); }

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read test file " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string DataFile(std::string_view name) {
    return std::string(TAVORI_TEST_DATA) + "/" + std::string(name);
}

}  // namespace tavori::test
