#include "ComProgress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The values a transfer routine would send: one per Update that changed the percentage.
std::vector<std::int32_t> SentValues(std::uint32_t total, const std::vector<std::uint32_t>& doneCounts)
{
    CComProgress progress;
    progress.SetTotal(total);
    std::vector<std::int32_t> sent;
    for (std::uint32_t done : doneCounts) {
        progress.Update(done);
        if (progress.IsChanged())
            sent.push_back(progress.GetPercent());
    }
    return sent;
}

TEST(ComProgress, StaysRightForFilesAboveFortyTwoMillionBytes)
{
    const std::uint32_t total = 4000000000u;
    EXPECT_EQ(SentValues(total, {total / 4, total / 2, total - 1, total}),
              (std::vector<std::int32_t>{25, 50, 99, 100}));
}

TEST(ComProgress, ZeroTotalIsCompleteAndMoreThanTotalIsCutToHundred)
{
    CComProgress empty;
    empty.SetTotal(0);
    EXPECT_FALSE(empty.IsChanged());
    empty.Update(0);
    EXPECT_TRUE(empty.IsChanged());
    EXPECT_EQ(empty.GetPercent(), 100);
    EXPECT_FALSE(empty.IsChanged());

    EXPECT_EQ(SentValues(1000, {1500}), (std::vector<std::int32_t>{100}));
}

}  // namespace
