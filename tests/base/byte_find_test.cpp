// The byte and text searches of the readers against the library's, at every length, offset
// and place around the sixteen-byte steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/byte_find.h"

namespace tavori {
namespace {

TEST(ByteFind, FindsWhatTheLibraryFinds) {
    std::mt19937 rng(20261208);
    for (std::size_t size = 0; size < 80; ++size) {
        for (int round = 0; round < 40; ++round) {
            // Few distinct bytes, so that hits come early, late, twice or not at all; bytes
            // of 0x80 and more too (a signed char must not confuse the masks).
            std::string text(size, 'a');
            for (char& c : text) c = "ab\x1B\xE3\r\n"[rng() % (round % 2 ? 6 : 2)];
            const std::string_view view(text);
            for (const char c : {'b', '\x1B', '\xE3', '\n', 'z'})
                for (std::size_t from = 0; from <= size + 1; ++from)
                    ASSERT_EQ(FindByte(view, c, from), view.find(c, from))
                        << "size " << size << " from " << from << " byte " << int(c);
            for (const char* pattern : {"ab", "ba", "a\x1B", "\r\n", "aab", "", "abababababab"})
                for (std::size_t from = 0; from <= size + 1; ++from) {
                    const std::string_view want(pattern);
                    ASSERT_EQ(FindText(view, want, from), view.find(want, from))
                        << "size " << size << " from " << from << " pattern " << pattern;
                    if (want.size() == 2) {
                        ASSERT_EQ(FindPair(view, want[0], want[1], from), view.find(want, from))
                            << "size " << size << " from " << from << " pair " << pattern;
                    }
                }
            std::vector<std::size_t> bare;  // byte by byte
            for (std::size_t i = 0; i < size; ++i)
                if ((text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ||
                    (text[i] == '\r' && (i + 1 == size || text[i + 1] != '\n')))
                    bare.push_back(i);
            ASSERT_EQ(CountBareLineEnds(view), bare.size()) << "size " << size << ": " << text;
            for (std::size_t from = 0; from <= size + 1; ++from) {
                const auto next = std::lower_bound(bare.begin(), bare.end(), from);
                ASSERT_EQ(FindBareLineEnd(view, from),
                          next == bare.end() ? std::string_view::npos : *next)
                    << "size " << size << " from " << from << ": " << text;
            }
            for (std::size_t end = 0; end <= size + 1; ++end)
                ASSERT_EQ(FindLastLineEnd(view, end),
                          end == 0 ? std::string_view::npos : view.find_last_of("\r\n", end - 1))
                    << "size " << size << " end " << end;
        }
    }
}

TEST(ByteFind, StopsAtTheEndGiven) {
    const std::string text = std::string(40, 'a') + "x";  // x lies just past the end given
    for (std::size_t end = 0; end <= 40; ++end)
        EXPECT_EQ(FindByte(text.data(), text.data() + end, 'x'), nullptr) << end;
}

}  // namespace
}  // namespace tavori
