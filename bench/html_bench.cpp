// HTML-to-text and encoding conversion throughput over files held in memory (html_bench.sh
// times the other tools beside it). Each measurement is the best of a few passes, in
// processor time.
//   html_bench html PAGE...        HtmlToText on every page
//   html_bench convert FILE OUT    ConvertToSjis on the whole file; the result goes to OUT
//   html_bench import PAGE...      each page read from its file as the import reads it (from
//                                  the page cache), then HtmlToText: what a preview does
// Prints "bytes=<input bytes> seconds=<time of one pass> out=<output bytes>".
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "decode/html_parser.h"
#include "decode/kanj_conv.h"
#include "jobs/import_job.h"

namespace {

constexpr int kPasses = 5;

// Processor time of this process: on a busy machine wall time would measure the neighbours.
double Now() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

bool ReadFile(const char* path, std::string& bytes) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char block[1 << 16];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) bytes.append(block, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

int Usage() {
    std::fprintf(stderr, "usage: html_bench html PAGE... | html_bench convert FILE OUT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string_view mode = argv[1];
    std::vector<std::string> inputs;
    std::size_t bytes = 0;
    const int files = mode == "convert" ? 1 : argc - 2;
    for (int i = 2; i < 2 + files; ++i) {
        inputs.emplace_back();
        if (!ReadFile(argv[i], inputs.back())) {
            std::fprintf(stderr, "html_bench: cannot read %s\n", argv[i]);
            return 1;
        }
        bytes += inputs.back().size();
    }
    double best = 1e30;
    std::size_t out = 0;
    if (mode == "html") {
        for (int pass = 0; pass < kPasses; ++pass) {
            out = 0;
            double t0 = Now();
            for (const std::string& page : inputs) out += tavori::HtmlToText(page).size();
            best = std::min(best, Now() - t0);
        }
    } else if (mode == "import") {
        for (int pass = 0; pass < kPasses; ++pass) {
            out = 0;
            double t0 = Now();
            for (int i = 2; i < argc; ++i)
                out += tavori::PlainTextOf(
                           tavori::ReadImportText(argv[i], tavori::ImportFileType::kHtml))
                           .size();
            best = std::min(best, Now() - t0);
        }
    } else if (mode == "convert" && argc == 4) {
        std::string text;
        for (int pass = 0; pass < kPasses; ++pass) {
            text = inputs[0];  // the conversion works in place: a fresh copy for each pass
            double t0 = Now();
            tavori::kanj::ConvertToSjis(text);
            best = std::min(best, Now() - t0);
        }
        out = text.size();
        std::FILE* f = std::fopen(argv[3], "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f)) {
            std::fprintf(stderr, "html_bench: cannot write %s\n", argv[3]);
            return 1;
        }
    } else {
        return Usage();
    }
    std::printf("bytes=%zu seconds=%.6f out=%zu\n", bytes, best, out);
    return 0;
}
