// qvector: the growth sizes, byte counts and zeroed storage that set it apart from std::vector.
#include <gtest/gtest.h>

#include <tuple>

#include "math/qvector.h"
#include "math/vmath.h"

TEST(Qvector, GrowsToTheFirstCapacityThenTwiceTheCount) {
    qvector<VECTOR> points(85);
    EXPECT_EQ(points.Capacity(), 0u) << "nothing is allocated before the first record";
    // (records after the push, capacity, free bytes)
    const std::tuple<size_t, size_t, size_t> steps[] = {
        {1, 85, 84 * 12}, {85, 85, 0}, {86, 170, 84 * 12}, {170, 170, 0}, {171, 340, 169 * 12},
    };
    size_t pushed = 0;
    for (const auto& [count, capacity, freeBytes] : steps) {
        while (pushed < count) {
            ASSERT_TRUE(points.push_back(VECTOR(float(pushed), 1, 2)));
            ++pushed;
        }
        EXPECT_EQ(points.size(), count);
        EXPECT_EQ(points.Capacity(), capacity) << count;
        EXPECT_EQ(points.SizeInBytes(), capacity * 12) << count;
        EXPECT_EQ(points.FreeBytes(), freeBytes) << count;
    }
    EXPECT_EQ(points[170].x, 170.0f) << "records survive each move";
    EXPECT_EQ(points[100].x, 100.0f);
    const VECTOR* past = points.begin() + points.size();
    EXPECT_TRUE(past->x == 0 && past->y == 0 && past->z == 0) << "new storage is zeroed";

    points.clear();
    EXPECT_EQ(points.size(), 0u);
    EXPECT_EQ(points.Capacity(), 0u);
    EXPECT_EQ(points.SizeInBytes(), 0u);
    EXPECT_EQ(points.FreeBytes(), 0u);
    EXPECT_EQ(points.FirstCapacity(), 85u) << "clearing keeps the first capacity";
    points.push_back(VECTOR());
    EXPECT_EQ(points.Capacity(), 85u);

    qvector<int> small; // the default first capacity of one doubles from the count
    const size_t capacities[] = {1, 2, 4, 4, 8, 8, 8, 8, 16};
    for (size_t c : capacities) {
        small.push_back(7);
        EXPECT_EQ(small.Capacity(), c) << small.size();
    }
}
