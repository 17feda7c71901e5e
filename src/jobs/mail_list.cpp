#include "jobs/mail_list.h"

#include <cstring>
#include <functional>
#include <string_view>
#include <utility>

#include "platform/locale.h"

namespace tavori {

std::string_view TextStore::Keep(std::string_view text) {
    if (text.empty()) return "";  // an empty text with an address, as a string has
    char* at = nullptr;
    if (text.size() > kBlockBytes / 8) {  // long: in a block of its own
        own_.push_back(std::unique_ptr<char[]>(new char[text.size()]));
        at = own_.back().get();
    } else {
        if (used_ + text.size() > kBlockBytes) {
            blocks_.push_back(std::unique_ptr<char[]>(new char[kBlockBytes]));
            used_ = 0;
        }
        at = blocks_.back().get() + used_;
        used_ += text.size();
    }
    std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

void TextStore::Clear() {
    blocks_.clear();
    own_.clear();
    used_ = kBlockBytes;
}

std::uint64_t TMailList::HashOf(std::string_view key, double date) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &date, sizeof bits);
    std::uint64_t h = std::hash<std::string_view>{}(key) ^ (bits * 0x9E3779B97F4A7C15ull);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

// The slot of the pair, or of the empty slot where it would go.
std::size_t TMailList::FindSlot(std::string_view key, double date, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.position < 0) return i;
        if (slot.tag == static_cast<std::uint32_t>(hash >> 32)) {
            const TMailEntry& e = entries_[static_cast<std::size_t>(slot.position)];
            if (e.Date == date && e.Key == key) return i;
        }
    }
}

void TMailList::ResetIndex(std::size_t slots) {
    slots_.assign(slots, Slot{});
    filter_.assign(slots * kFilterBitsPerSlot / 64, 0);
}

std::uint64_t TMailList::FilterBit(std::uint64_t hash) const {
    // From the tag's bits: the slot's position comes from the low ones.
    return (hash >> 32) & (filter_.size() * 64 - 1);
}

bool TMailList::MayHold(std::uint64_t hash) const {
    const std::uint64_t bit = FilterBit(hash);
    return (filter_[bit / 64] >> (bit % 64)) & 1;
}

void TMailList::Place(std::uint64_t hash, int position) {
    const TMailEntry& e = entries_[static_cast<std::size_t>(position)];
    slots_[FindSlot(e.Key, e.Date, hash)] = Slot{static_cast<std::uint32_t>(hash >> 32), position};
    const std::uint64_t bit = FilterBit(hash);
    filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

void TMailList::Insert(std::uint64_t hash, int position) {
    if ((static_cast<std::size_t>(position) + 1) * 2 > slots_.size()) {
        ResetIndex(slots_.empty() ? 64 : slots_.size() * 4);  // few rehashes
        for (int k = 0; k < position; ++k) {
            const TMailEntry& e = entries_[static_cast<std::size_t>(k)];
            if (Indexable(e.Date)) Place(HashOf(e.Key, e.Date), k);
        }
    }
    Place(hash, position);
}

void TMailList::Clear() {
    slots_.clear();
    filter_.clear();
    entries_.clear();
    texts_.Clear();
}

bool TMailList::AddOrCount(std::string_view key, std::string_view id, double date) {
    const bool indexable = Indexable(date);
    const std::uint64_t hash = indexable ? HashOf(key, date) : 0;
    if (indexable && !slots_.empty() && MayHold(hash)) {
        const Slot& slot = slots_[FindSlot(key, date, hash)];
        if (slot.position >= 0) {
            TMailEntry& entry = entries_[static_cast<std::size_t>(slot.position)];
            if (entry.Id.empty()) entry.Id = texts_.Keep(id);
            ++entry.Repeats;
            return false;
        }
    }
    entries_.push_back(TMailEntry{texts_.Keep(key), texts_.Keep(id), date, 0});
    if (indexable) Insert(hash, Count() - 1);
    return true;
}

int TMailList::IndexOfKey(std::string_view key, double date) const {
    if (!Indexable(date) || slots_.empty()) return -1;
    const std::uint64_t hash = HashOf(key, date);
    if (!MayHold(hash)) return -1;  // as for most mails in the copy pass
    return slots_[FindSlot(key, date, hash)].position;
}

std::string TMailList::IdAt(int position) const {
    if (position < 0 || position >= Count()) return {};
    return std::string(entries_[static_cast<std::size_t>(position)].Id);
}

void TMailList::RemoveSingles() {
    std::erase_if(entries_, [](const TMailEntry& e) { return e.Repeats == 0; });
    Reindex();
}

void TMailList::SortByKey() {
    if (Count() > 1) QuickSortByKey(0, Count() - 1);
}

void TMailList::QuickSortByKey(int lo, int hi) {
    if (lo < 0 || hi >= Count() || lo >= hi) return;
    // The locale's comparison of two texts costs far more than comparing their sort keys
    // (under Wine each converts both texts and builds their keys anew), and the sort compares
    // every entry many times: each gets its key once.
    std::vector<std::string> keys;
    keys.reserve(static_cast<std::size_t>(hi) - static_cast<std::size_t>(lo) + 1);
    for (int k = lo; k <= hi; ++k)
        keys.push_back(platform::SortKeyIgnoreCase(entries_[static_cast<std::size_t>(k)].Key));
    SortRange(lo, hi, lo, keys);
    Reindex();
}

// The classic Hoare partition around the middle entry; entries with equal keys may change
// their order. keys[k - first] is the sort key of entry k, and moves with it.
void TMailList::SortRange(int lo, int hi, int first, std::vector<std::string>& keys) {
    auto key = [&](int k) -> std::string& { return keys[static_cast<std::size_t>(k - first)]; };
    for (;;) {
        int i = lo, j = hi;
        const std::string pivot = key((lo + hi) / 2);  // a copy: the exchanges move the keys
        do {
            while (key(i).compare(pivot) < 0) ++i;
            while (key(j).compare(pivot) > 0) --j;
            if (i <= j) {
                std::swap(entries_[static_cast<std::size_t>(i)],
                          entries_[static_cast<std::size_t>(j)]);
                key(i).swap(key(j));
                ++i;
                --j;
            }
        } while (i <= j);
        // Recurse into the smaller side and loop on the larger, so the depth stays logarithmic.
        if (j - lo < hi - i) {
            if (lo < j) SortRange(lo, j, first, keys);
            if (i >= hi) return;
            lo = i;
        } else {
            if (i < hi) SortRange(i, hi, first, keys);
            if (lo >= j) return;
            hi = j;
        }
    }
}

void TMailList::Reindex() {
    std::size_t size = 64;
    while (size < entries_.size() * 2) size *= 2;
    ResetIndex(size);
    for (int k = 0; k < Count(); ++k) {
        const TMailEntry& e = entries_[static_cast<std::size_t>(k)];
        if (Indexable(e.Date)) Place(HashOf(e.Key, e.Date), k);
    }
}

}  // namespace tavori
