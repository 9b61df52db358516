#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <vector>

#include "HandlePool.h"

namespace quorvane {
namespace {

TEST(HandlePool, ReusesAFreedBlockOfTheSameSizeClass)
{
    HandlePool pool(1 << 30);
    void* first = pool.allocate(1'000'000);
    ASSERT_NE(first, nullptr);
    pool.release(first, 1'000'000);
    void* second = pool.allocate(1'010'000);   // same class: eighths of the power of two
    EXPECT_EQ(second, first);
    pool.release(second, 1'010'000);
    const auto s = pool.statistics();
    EXPECT_EQ(s.fromSystem, 1);
    EXPECT_EQ(s.reused, 1);
    EXPECT_EQ(s.blocksOutstanding, 0);
}

TEST(HandlePool, BlocksAreAlignedAndDistinctEvenForZeroBytes)
{
    HandlePool pool;
    std::set<void*> seen;
    std::vector<std::pair<void*, std::size_t>> blocks;
    for (std::size_t bytes : {0u, 1u, 17u, 4096u, 70000u, 3u << 20}) {
        void* block = pool.allocate(bytes);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 64, 0u) << bytes;
        EXPECT_TRUE(seen.insert(block).second);
        std::memset(block, 0xab, bytes);   // the whole request is usable
        blocks.emplace_back(block, bytes);
    }
    for (auto [block, bytes] : blocks)
        pool.release(block, bytes);
}

TEST(HandlePool, SizeClassesCoverTheRequestWithLittleWaste)
{
    for (std::size_t bytes : {1u, 64u, 65u, 65536u, 65537u, 1u << 20, (1u << 20) + 1, 132'710'400u}) {
        const std::size_t capacity = HandlePool::capacityFor(bytes);
        EXPECT_GE(capacity, bytes);
        EXPECT_LE(capacity, std::max<std::size_t>(64, bytes + bytes / 8 + 64)) << bytes;
    }
}

TEST(HandlePool, KeepsNoMoreThanItsLimitAndGivesTheOldestBack)
{
    constexpr std::size_t kBlock = 1 << 20;
    HandlePool pool(3 * kBlock);
    std::vector<void*> blocks;
    for (int i = 0; i < 5; ++i)
        blocks.push_back(pool.allocate(kBlock));
    for (void* block : blocks)
        pool.release(block, kBlock);
    const auto s = pool.statistics();
    EXPECT_EQ(s.bytesKept, 3 * kBlock);
    EXPECT_EQ(s.returnedToSystem, 2);
    // The newest kept block comes back first.
    EXPECT_EQ(pool.allocate(kBlock), blocks[4]);
    pool.release(blocks[4], kBlock);
    // A block larger than the whole limit is never kept.
    void* huge = pool.allocate(4 * kBlock);
    pool.release(huge, 4 * kBlock);
    EXPECT_EQ(pool.statistics().bytesKept, 3 * kBlock);
    pool.trim();
    EXPECT_EQ(pool.statistics().bytesKept, 0u);
}

TEST(HandlePool, ManyThreadsAllocatingAndReleasing)
{
    HandlePool pool(64 << 20);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&pool, t] {
            for (int i = 0; i < 2000; ++i) {
                const std::size_t bytes = static_cast<std::size_t>(64 + (i * 37 + t * 101) % 200000);
                auto* block = static_cast<unsigned char*>(pool.allocate(bytes));
                ASSERT_NE(block, nullptr);
                block[0] = block[bytes - 1] = static_cast<unsigned char>(t);
                pool.release(block, bytes);
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(pool.statistics().blocksOutstanding, 0);
}

} // namespace
} // namespace quorvane
