#include "jobs/mail_list.h"

#include <cstring>
#include <functional>
#include <string_view>
#include <utility>

#include "platform/locale.h"

namespace tavori {

std::size_t TMailList::PairHash::operator()(const PairKey& k) const {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &k.date, sizeof bits);
    const std::size_t h = std::hash<std::string_view>{}(*k.key);
    return h ^ (std::hash<std::uint64_t>{}(bits) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

void TMailList::Clear() {
    index_.clear();
    entries_.clear();
}

bool TMailList::AddOrCount(const std::string& key, const std::string& id, double date) {
    if (Indexable(date)) {
        auto found = index_.find(PairKey{&key, date});
        if (found != index_.end()) {
            TMailEntry& entry = *entries_[static_cast<std::size_t>(found->second)];
            if (entry.Id.empty()) entry.Id = id;
            ++entry.Repeats;
            return false;
        }
    }
    entries_.push_back(std::make_unique<TMailEntry>(TMailEntry{key, id, date, 0}));
    if (Indexable(date)) index_.emplace(PairKey{&entries_.back()->Key, date}, Count() - 1);
    return true;
}

int TMailList::IndexOfKey(const std::string& key, double date) const {
    if (!Indexable(date)) return -1;
    auto found = index_.find(PairKey{&key, date});
    return found == index_.end() ? -1 : found->second;
}

std::string TMailList::IdAt(int position) const {
    if (position < 0 || position >= Count()) return {};
    return entries_[static_cast<std::size_t>(position)]->Id;
}

void TMailList::RemoveSingles() {
    std::erase_if(entries_, [](const std::unique_ptr<TMailEntry>& e) { return e->Repeats == 0; });
    Reindex();
}

void TMailList::SortByKey() {
    if (Count() > 1) QuickSortByKey(0, Count() - 1);
}

void TMailList::QuickSortByKey(int lo, int hi) {
    if (lo < 0 || hi >= Count() || lo >= hi) return;
    SortRange(lo, hi);
    Reindex();
}

// The classic Hoare partition around the middle entry, which stays the reference while the
// exchanges move it; entries with equal keys may change their order.
void TMailList::SortRange(int lo, int hi) {
    for (;;) {
        int i = lo, j = hi;
        const TMailEntry* pivot = entries_[static_cast<std::size_t>((lo + hi) / 2)].get();
        auto key = [&](int k) -> const std::string& { return entries_[static_cast<std::size_t>(k)]->Key; };
        do {
            while (platform::CompareTextIgnoreCase(key(i), pivot->Key) < 0) ++i;
            while (platform::CompareTextIgnoreCase(key(j), pivot->Key) > 0) --j;
            if (i <= j) {
                std::swap(entries_[static_cast<std::size_t>(i)], entries_[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        // Recurse into the smaller side and loop on the larger, so the depth stays logarithmic.
        if (j - lo < hi - i) {
            if (lo < j) SortRange(lo, j);
            if (i >= hi) return;
            lo = i;
        } else {
            if (i < hi) SortRange(i, hi);
            if (lo >= j) return;
            hi = j;
        }
    }
}

void TMailList::Reindex() {
    index_.clear();
    index_.reserve(entries_.size());
    for (int k = 0; k < Count(); ++k) {
        const TMailEntry& e = *entries_[static_cast<std::size_t>(k)];
        if (Indexable(e.Date)) index_.emplace(PairKey{&e.Key, e.Date}, k);
    }
}

}  // namespace tavori
