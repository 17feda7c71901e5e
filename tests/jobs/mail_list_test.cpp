#include "jobs/mail_list.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/locale.h"

namespace tavori {
namespace {

TEST(TMailList, CountsRepeatsOfTheSamePair) {
    TMailList list;
    EXPECT_TRUE(list.AddOrCount("S", "id1", 100.5));
    EXPECT_FALSE(list.AddOrCount("S", "id2", 100.5));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.At(0).Repeats, 1);
    EXPECT_EQ(list.IdAt(0), "id1");
}

TEST(TMailList, FirstNonEmptyIdIsKept) {
    TMailList list;
    list.AddOrCount("S", "", 100.5);
    list.AddOrCount("S", "id2", 100.5);
    list.AddOrCount("S", "id3", 100.5);
    EXPECT_EQ(list.IdAt(0), "id2");
}

TEST(TMailList, DateZeroNeverMatches) {
    TMailList list;
    EXPECT_TRUE(list.AddOrCount("S", "id1", 0));
    EXPECT_TRUE(list.AddOrCount("S", "id1", 0));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(1).Repeats, 0);
    EXPECT_EQ(list.IndexOfKey("S", 0), -1);
}

TEST(TMailList, KeysDifferingInCaseAreDifferentPairs) {
    TMailList list;
    list.AddOrCount("S", "id1", 7);
    list.AddOrCount("s", "id1", 7);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.IndexOfKey("s", 7), 1);
}

TEST(TMailList, RemoveSinglesKeepsRepeatedPairsInOrder) {
    TMailList list;
    for (const char* key : {"A", "B", "A", "D", "A", "E", "E"}) list.AddOrCount(key, "", 1);
    list.RemoveSingles();
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(0).Key, "A");
    EXPECT_EQ(list.At(0).Repeats, 2);
    EXPECT_EQ(list.IndexOfKey("E", 1), 1);  // the index follows the move
    EXPECT_EQ(list.IndexOfKey("B", 1), -1);
}

TEST(TMailList, IdAtOutsideTheListIsEmpty) {
    TMailList list;
    list.AddOrCount("S", "id", 1);
    EXPECT_EQ(list.IdAt(-1), "");
    EXPECT_EQ(list.IdAt(1), "");
}

TEST(TMailList, SortingEmptyOrSingleListChangesNothing) {
    TMailList list;
    list.SortByKey();
    EXPECT_EQ(list.Count(), 0);
    list.AddOrCount("S", "id", 1);
    list.SortByKey();
    EXPECT_EQ(list.At(0).Key, "S");
}

// The list without an index: every look-up scans from the start.
struct LinearList {
    struct Entry {
        std::string Key, Id;
        double Date;
        std::int32_t Repeats;
    };
    std::vector<Entry> entries;
    static bool Matches(const Entry& e, const std::string& key, double date) {
        return e.Key == key && e.Date == date && date != 0;
    }
    bool AddOrCount(const std::string& key, const std::string& id, double date) {
        for (auto& e : entries)
            if (Matches(e, key, date)) {
                if (e.Id.empty()) e.Id = id;
                ++e.Repeats;
                return false;
            }
        entries.push_back({key, id, date, 0});
        return true;
    }
    int IndexOfKey(const std::string& key, double date) const {
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (Matches(entries[i], key, date)) return static_cast<int>(i);
        return -1;
    }
    void RemoveSingles() {
        std::erase_if(entries, [](const Entry& e) { return e.Repeats == 0; });
    }
    void QuickSort(int lo, int hi) {
        int i = lo, j = hi;
        const std::string pivot = entries[static_cast<std::size_t>((lo + hi) / 2)].Key;
        do {
            while (platform::CompareTextIgnoreCase(entries[i].Key, pivot) < 0) ++i;
            while (platform::CompareTextIgnoreCase(entries[j].Key, pivot) > 0) --j;
            if (i <= j) std::swap(entries[i++], entries[j--]);
        } while (i <= j);
        if (lo < j) QuickSort(lo, j);
        if (i < hi) QuickSort(i, hi);
    }
};

void ExpectSame(const TMailList& list, const LinearList& ref, int round) {
    ASSERT_EQ(list.Count(), static_cast<int>(ref.entries.size())) << round;
    for (int i = 0; i < list.Count(); ++i) {
        const TMailEntry& a = list.At(i);
        const LinearList::Entry& b = ref.entries[static_cast<std::size_t>(i)];
        ASSERT_EQ(std::tuple(a.Key, a.Id, a.Date, a.Repeats),
                  std::tuple(std::string_view(b.Key), std::string_view(b.Id), b.Date, b.Repeats))
            << "round " << round << " position " << i;
    }
}

TEST(TMailList, IndexedListBehavesLikeALinearScan) {
    std::mt19937 rng(3);
    // Long keys too: the list keeps texts over a few kilobytes apart from the short ones.
    const std::string keys[] = {"a",
                                "A",
                                "b",
                                "B",
                                "件名",
                                "Re: 件名",
                                "",
                                "c",
                                "C",
                                "d",
                                std::string(9000, 'L'),
                                std::string(3000, 'm') + "1",
                                std::string(3000, 'm') + "2"};
    const double dates[] = {0, 1.5, 2.25, 45000.5, -1.0};
    for (int round = 0; round < 200; ++round) {
        TMailList list;
        LinearList ref;
        const int n = static_cast<int>(rng() % 120);
        for (int k = 0; k < n; ++k) {
            const std::string& key = keys[rng() % std::size(keys)];
            const double date = dates[rng() % 5];
            const std::string id = rng() % 3 == 0 ? "" : "id" + std::to_string(k);
            ASSERT_EQ(list.AddOrCount(key, id, date), ref.AddOrCount(key, id, date));
        }
        ExpectSame(list, ref, round);
        if (rng() % 2) {
            list.RemoveSingles();
            ref.RemoveSingles();
            ExpectSame(list, ref, round);
        }
        if (list.Count() > 1 && rng() % 2) {
            list.SortByKey();
            ref.QuickSort(0, static_cast<int>(ref.entries.size()) - 1);
            ExpectSame(list, ref, round);
        }
        for (const auto& key : keys)
            for (double date : dates) {
                ASSERT_EQ(list.IndexOfKey(key, date), ref.IndexOfKey(key, date)) << round;
                list.AddOrCount(key, "late", date);
                ref.AddOrCount(key, "late", date);
            }
        ExpectSame(list, ref, round);
    }
}

}  // namespace
}  // namespace tavori
