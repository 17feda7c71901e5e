// Reading throughput: ReadMessage with its ParseMessage over a generated mailbox of real size,
// from the page cache, and DecodeHeader over typical Japanese headers. Prints MB/s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "decode/header_decoder.h"
#include "mailstore/mailbox.h"

namespace {

const char* kSubjects[] = {"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=",
                           "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?= =?ISO-2022-JP?B?GyRCN29MPhsoQg==?=",
                           "Re: meeting on Friday", "=?iso-2022-jp?B?GyRCJDMkcyRLJEEkTxsoQg==?="};

std::string Header(std::mt19937& rng, int i) {
    return "Return-Path: <sender" + std::to_string(i % 97) +
           "@example.co.jp>\r\nReceived: from mx.example.co.jp (mx.example.co.jp [192.0.2.1])\r\n"
           "\tby mail.example.jp with ESMTP id abc" +
           std::to_string(i) +
           "\r\nDate: Tue, 05 Mar 2024 12:34:56 +0900\r\nFrom: "
           "=?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= "
           "<yamada@example.co.jp>\r\nTo: suzuki@example.jp\r\nSubject: " +
           kSubjects[rng() % 4] + "\r\nMessage-Id: <" + std::to_string(i) +
           "@example.co.jp>\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; "
           "charset=iso-2022-jp\r\n";
}

// About 128 MB: mostly mails of a few kilobytes, some of several megabytes.
const std::string& MailboxPath() {
    static const std::string path = [] {
        std::string p = "/tmp/tavori-bench-read.mbx";
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        std::mt19937 rng(1);
        const std::string line = "\x1b$B$3$l$O%F%9%H$NK\\J8$G$9!#\x1b(B This is body text.\r\n";
        std::uint64_t total = 0;
        for (int i = 0; total < 128ull << 20; ++i) {
            std::string mail = Header(rng, i) + "\r\n";
            std::size_t lines = (i % 200 == 199) ? 40000 + rng() % 40000 : 20 + rng() % 100;
            for (std::size_t k = 0; k < lines; ++k) mail += line;
            mail += "\r\n.\r\n";
            out << mail;
            total += mail.size();
        }
        return p;
    }();
    return path;
}

void BM_ReadMailbox(benchmark::State& state) {
    const std::string& path = MailboxPath();
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        tavori::TMailBox box;
        box.Open(path);
        std::uint64_t size = box.GetFileSize();
        while (!box.AtEnd()) benchmark::DoNotOptimize(box.ReadMessage());
        bytes += size;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ReadMailbox)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_DecodeHeader(benchmark::State& state) {
    std::mt19937 rng(2);
    std::string headers[16];
    for (int i = 0; i < 16; ++i) headers[i] = Header(rng, i);
    std::uint64_t bytes = 0;
    int i = 0;
    for (auto _ : state) {
        const std::string& h = headers[i++ & 15];
        benchmark::DoNotOptimize(tavori::DecodeHeader(h));
        bytes += h.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_DecodeHeader);

}  // namespace

BENCHMARK_MAIN();
