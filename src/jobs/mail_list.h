#pragma once
// TMailList: the index with which the duplicate cleanup recognises copies of a mail. One entry
// per distinct (subject, date) pair, with how often the pair was met again and a message id.
//
// Entries keep the order in which they were added; a hash from (key, date) to the position
// makes AddOrCount and IndexOfKey cost O(1) on average instead of a scan from the start, with
// the very results of that scan.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavori {

// The texts of an entry lie in the list that holds it, and stay valid until it is cleared.
struct TMailEntry {
    std::string_view Key;  // the subject
    std::string_view Id;   // the first non-empty message id met for the pair
    double Date = 0;       // part of the key; 0 never matches anything
    std::int32_t Repeats = 0;
};

// Texts copied into blocks that never move: a list of a hundred thousand mails keeps its
// subjects and ids without an allocation for each, packed so that a look-up touches little.
class TextStore {
  public:
    std::string_view Keep(std::string_view text);
    void Clear();

  private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> blocks_;  // filled one after the other
    std::size_t used_ = kBlockBytes;               // of the last block
    std::vector<std::unique_ptr<char[]>> own_;     // long texts, one in each
};

class TMailList {
  public:
    TMailList() = default;
    ~TMailList() { Clear(); }
    TMailList(const TMailList&) = delete;
    TMailList& operator=(const TMailList&) = delete;

    void Clear();
    // Counts a repeat of (key, date) and returns false, or adds a new entry and returns true.
    bool AddOrCount(std::string_view key, std::string_view id, double date);
    // Position of the entry of (key, date), or -1.
    int IndexOfKey(std::string_view key, double date) const;
    // The Id at position, empty outside 0 to Count() - 1.
    std::string IdAt(int position) const;
    // Drops every entry met only once; the others keep their order.
    void RemoveSingles();
    // Sorts by Key, ignoring letter case with the locale's comparison (not stable).
    void SortByKey();
    void QuickSortByKey(int lo, int hi);

    int Count() const { return static_cast<int>(entries_.size()); }
    const TMailEntry& At(int position) const {
        return entries_[static_cast<std::size_t>(position)];
    }

  private:
    static bool Indexable(double date) { return date != 0 && date == date; }  // not 0, not NaN
    static std::uint64_t HashOf(std::string_view key, double date);
    // Open addressing: a slot holds the full hash and the position of its entry, so a probe
    // touches an entry only when the hashes agree.
    struct Slot {
        std::uint32_t tag = 0;       // the high half of the hash
        std::int32_t position = -1;  // -1: empty
    };
    std::size_t FindSlot(std::string_view key, double date, std::uint64_t hash) const;
    void Insert(std::uint64_t hash, int position);
    void Place(std::uint64_t hash, int position);  // into the index, which has room
    void ResetIndex(std::size_t slots);            // empty, of that many slots
    // A bit for each few slots, set by every entry's hash: a look-up of a pair that is not in
    // the list mostly ends there, without touching the far bigger slots.
    static constexpr std::size_t kFilterBitsPerSlot = 4;
    std::uint64_t FilterBit(std::uint64_t hash) const;
    bool MayHold(std::uint64_t hash) const;
    void SortRange(int lo, int hi, int first, std::vector<std::string>& keys);
    void Reindex();

    TextStore texts_;                  // of the entries
    std::vector<TMailEntry> entries_;  // in list order
    std::vector<Slot> slots_;          // size a power of two, at most half full
    std::vector<std::uint64_t> filter_;
};

}  // namespace tavori
