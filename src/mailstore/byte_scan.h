#pragma once
// Visiting the places of one byte in a text, for the scanners of the mailbox reader: the
// library's search finds the next one (it is much faster over a stretch than any loop here),
// and the caller copies whole stretches between the places it changes.
#include <cstddef>
#include <cstring>

namespace tavori {

// Calls found(pos) for each position in [from, to) whose byte is c, in order. found returns
// the position from which the search goes on (pos + 1 to go on as usual, more to skip, to or
// beyond to stop).
template <class Found>
void ForEachByte(const char* data, std::size_t from, std::size_t to, char c, Found found) {
    std::size_t pos = from;
    while (pos < to) {
        const void* hit = std::memchr(data + pos, c, to - pos);
        if (hit == nullptr) return;
        pos = found(static_cast<std::size_t>(static_cast<const char*>(hit) - data));
    }
}

}  // namespace tavori
