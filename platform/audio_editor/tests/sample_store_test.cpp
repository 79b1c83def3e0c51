#include "audio_editor/sample_store.h"

#include <gtest/gtest.h>

using audio_editor::SampleStore;

namespace {

constexpr size_t kBlock = SampleStore::kBlockSamples;

struct StoreCase {
    const char* name;
    size_t expected;
    size_t total;
    // Each step asks for room for `chunk` samples and fills all but `short` of them, as a
    // converter that reserves for the worst case does.
    size_t chunk;
    size_t shortBy;
};

void PrintTo(const StoreCase& c, std::ostream* os) { *os << c.name; }

int16_t valueAt(size_t i) { return static_cast<int16_t>(i * 2654435761u >> 7); }

class SampleStoreTest : public testing::TestWithParam<StoreCase> {};

TEST_P(SampleStoreTest, GivesBackEverySampleInOrderWithLittleSpareRoom) {
    const StoreCase& c = GetParam();
    SampleStore store(c.expected);
    size_t written = 0;
    while (written < c.total) {
        const size_t count = std::min(c.chunk - c.shortBy, c.total - written);
        int16_t* room = store.room(c.chunk);
        for (size_t i = 0; i < count; ++i) room[i] = valueAt(written + i);
        store.commit(count);
        written += count;
    }
    ASSERT_EQ(store.size(), c.total);

    const std::vector<int16_t> samples = store.take();
    ASSERT_EQ(samples.size(), c.total);
    size_t wrong = 0;
    for (size_t i = 0; i < samples.size(); ++i) wrong += samples[i] != valueAt(i);
    EXPECT_EQ(wrong, 0u);
    EXPECT_LE(samples.capacity() - samples.size(), SampleStore::spareAllowed(c.total));
    EXPECT_EQ(store.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Estimates, SampleStoreTest,
    testing::Values(StoreCase{"Right", 600000, 600000, 2304, 0},
                    StoreCase{"SlightlyLong", 606000, 600000, 2304, 0},
                    StoreCase{"Short", 200000, 600000, 2304, 100},
                    StoreCase{"ShortByManyBlocks", 200000, 3 * kBlock + 12345, 4608, 1},
                    StoreCase{"Long", 2400000, 600000, 2304, 100},
                    StoreCase{"Unknown", 0, 600000, 2304, 0},
                    StoreCase{"StepsLargerThanABlock", 0, 3 * kBlock, kBlock + 7, 3}),
    [](const testing::TestParamInfo<StoreCase>& info) { return std::string(info.param.name); });

}  // namespace
