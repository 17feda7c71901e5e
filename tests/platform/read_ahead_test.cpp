#include "platform/read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tavori::platform {
namespace {

// A source that hands out text in pieces of at most `piece` bytes and fails at call failAt.
struct PieceSource {
    std::string text;
    std::size_t piece;
    int failAt = -1;
    std::size_t pos = 0;
    int calls = 0;
    std::size_t operator()(char* dest, std::size_t n) {
        if (calls++ == failAt) throw std::runtime_error("disk gone");
        const std::size_t take = std::min({n, piece, text.size() - pos});
        text.copy(dest, take, pos);
        pos += take;
        return take;
    }
};

std::string TakeAll(ReadAhead& ahead, std::size_t chunk) {
    std::string out(chunk, '\0'), all;
    for (std::size_t got; (got = ahead.Take(out.data(), chunk)) > 0;) all.append(out, 0, got);
    return all;
}

TEST(ReadAhead, DeliversEveryByteInOrder) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += std::to_string(i) + ",";
    struct Case {
        const char* why;
        std::size_t block, piece, chunk;
    } cases[] = {
        {"reader takes less than a block", 4096, 4096, 1000},
        {"reader asks for more than a block", 1024, 1024, 5000},
        {"the source gives short reads", 4096, 333, 777},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ReadAhead ahead(PieceSource{text, c.piece}, c.block);
        EXPECT_EQ(TakeAll(ahead, c.chunk), text);
        char byte;
        EXPECT_EQ(ahead.Take(&byte, 1), 0u);  // the end stays the end
    }
}

TEST(ReadAhead, AnErrorReachesTheReaderAfterTheBytesBeforeIt) {
    ReadAhead ahead(PieceSource{std::string(10000, 'x'), 1000, 3}, 1000);
    char buffer[1000];
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ahead.Take(buffer, sizeof buffer), 1000u);
    EXPECT_THROW(ahead.Take(buffer, sizeof buffer), std::runtime_error);
    EXPECT_THROW(ahead.Take(buffer, sizeof buffer), std::runtime_error);
}

TEST(ReadAhead, StopsWhenTheReaderLeavesEarly) {
    ReadAhead ahead(PieceSource{std::string(1 << 20, 'y'), 4096}, 4096);
    char buffer[10];
    EXPECT_EQ(ahead.Take(buffer, sizeof buffer), 10u);
}  // the destructor must not wait for the rest of the source

}  // namespace
}  // namespace tavori::platform
