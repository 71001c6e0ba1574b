// The merge sort: exact merge order, stability and the order of the comparator's arguments.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "machine/utils.h"

namespace {

struct Item {
    int key = 0;
    int id = 0; // original position
};

// Reference: the same top-down split (first half count / 2), written on copies.
template <typename Cmp>
std::vector<Item> ReferenceSort(const std::vector<Item>& v, Cmp cmp) {
    if (v.size() < 2) return v;
    const std::size_t half = v.size() / 2;
    std::vector<Item> left = ReferenceSort(std::vector<Item>(v.begin(), v.begin() + static_cast<long>(half)), cmp);
    std::vector<Item> right = ReferenceSort(std::vector<Item>(v.begin() + static_cast<long>(half), v.end()), cmp);
    std::vector<Item> out;
    std::size_t i = 0, j = 0;
    while (i < left.size() || j < right.size()) {
        if (j == right.size() || (i < left.size() && cmp(left[i], right[j]) <= 0))
            out.push_back(left[i++]);
        else
            out.push_back(right[j++]);
    }
    return out;
}

std::vector<int> Ids(const std::vector<Item>& v) {
    std::vector<int> ids;
    for (const Item& it : v) ids.push_back(it.id);
    return ids;
}

std::vector<Item> Make(std::initializer_list<int> keys) {
    std::vector<Item> v;
    int id = 0;
    for (int k : keys) v.push_back({k, id++});
    return v;
}

} // namespace

TEST(MergeSort, HandComputedMergeOrderWithNonOrderComparator) {
    // "An even left element goes first, otherwise the right one does": not an order at all.
    std::vector<Item> v = Make({1, 2, 3, 4});
    std::vector<std::pair<int, int>> calls;
    auto cmp = [&calls](const Item& l, const Item& r) {
        calls.emplace_back(l.key, r.key);
        return l.key % 2 == 0 ? -1 : 1;
    };
    ASSERT_EQ(MergeSort(v.data(), v.size(), cmp), 0);
    // [1] [2] -> [2 1]; [3] [4] -> [4 3]; [2 1] with [4 3] -> 2, 4, 3, 1.
    std::vector<int> keys;
    for (const Item& it : v) keys.push_back(it.key);
    EXPECT_EQ(keys, (std::vector<int>{2, 4, 3, 1}));
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 2}, {3, 4}, {2, 4}, {1, 4}, {1, 3}}));

    // Always "the right one first": five elements split 2 + 3 come out reversed.
    std::vector<Item> w = Make({0, 1, 2, 3, 4});
    MergeSort(w.data(), w.size(), [](const Item&, const Item&) { return 1; });
    EXPECT_EQ(Ids(w), (std::vector<int>{4, 3, 2, 1, 0}));
    // Always "equal": nothing moves.
    MergeSort(w.data(), w.size(), [](const Item&, const Item&) { return 0; });
    EXPECT_EQ(Ids(w), (std::vector<int>{4, 3, 2, 1, 0}));
}

TEST(MergeSort, MatchesReferenceAndAlwaysComparesLeftWithRight) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        const int n = static_cast<int>(rng() % 40);
        std::vector<Item> v;
        for (int i = 0; i < n; ++i) v.push_back({static_cast<int>(rng() % 7), i});
        // Asymmetric, intransitive comparator.
        auto weird = [](const Item& l, const Item& r) { return (l.key + 2 * r.key) % 3 - 1; };
        const std::vector<Item> expected = ReferenceSort(v, weird);
        bool leftBeforeRight = true;
        auto checked = [&](const Item& l, const Item& r) {
            // Runs are contiguous ranges: the left run's elements came from lower positions.
            if (l.id >= r.id) leftBeforeRight = false;
            return weird(l, r);
        };
        ASSERT_EQ(MergeSort(v.data(), v.size(), checked), 0);
        EXPECT_EQ(Ids(v), Ids(expected)) << "round " << round;
        EXPECT_TRUE(leftBeforeRight) << "round " << round;
    }
}

TEST(MergeSort, EqualKeysKeepTheirOrder) {
    std::vector<Item> v = Make({3, 1, 3, 2, 1, 3, 2, 1, 1});
    MergeSort(v.data(), v.size(), [](const Item& a, const Item& b) { return a.key < b.key ? -1 : a.key > b.key ? 1 : 0; });
    EXPECT_EQ(Ids(v), (std::vector<int>{1, 4, 7, 8, 3, 6, 0, 2, 5}));
}

TEST(MergeSort, TrivialInputsAndMoveOnlyElements) {
    EXPECT_EQ(MergeSort(static_cast<int*>(nullptr), 5, [](int, int) { return 0; }), 0);
    int one = 9;
    EXPECT_EQ(MergeSort(&one, 1, [](int, int) { return 1; }), 0);
    EXPECT_EQ(one, 9);

    std::vector<std::unique_ptr<int>> p;
    for (int k : {5, 2, 8, 1, 9, 3}) p.push_back(std::make_unique<int>(k));
    MergeSort(p.data(), p.size(), [](const std::unique_ptr<int>& a, const std::unique_ptr<int>& b) { return *a - *b; });
    std::vector<int> got;
    for (const auto& q : p) got.push_back(*q);
    EXPECT_EQ(got, (std::vector<int>{1, 2, 3, 5, 8, 9}));
}
