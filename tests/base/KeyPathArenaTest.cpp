#include <cstdint>
#include <memory_resource>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/KeyPathArena.h"
#include "base/KeyPathResident.h"

namespace qm {
namespace {

std::uintptr_t address(const void* pointer)
{
    return reinterpret_cast<std::uintptr_t>(pointer);
}

// Counts what reaches the upstream resource, so a test sees where a block came from.
class CountingUpstream : public std::pmr::memory_resource {
public:
    int live = 0;

private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override
    {
        ++live;
        return std::pmr::new_delete_resource()->allocate(bytes, alignment);
    }
    void do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment) override
    {
        --live;
        std::pmr::new_delete_resource()->deallocate(pointer, bytes, alignment);
    }
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override
    {
        return this == &other;
    }
};

TEST(KeyPathArenaTest, HandsOutItsRegionInOrderAlignedThenFallsBackUpstream)
{
    CountingUpstream upstream;
    KeyPathArena arena(256, &upstream);
    void* first = arena.allocate(10, 1);
    void* aligned = arena.allocate(64, 64);
    EXPECT_TRUE(arena.owns(first));
    EXPECT_TRUE(arena.owns(aligned));
    EXPECT_EQ(address(aligned) % 64, 0u);
    EXPECT_GT(address(aligned), address(first));
    EXPECT_LT(address(aligned) - address(first), 128u) << "blocks lie side by side";

    void* tooBig = arena.allocate(512, 8);
    EXPECT_FALSE(arena.owns(tooBig));
    EXPECT_EQ(upstream.live, 1);
    arena.deallocate(tooBig, 512, 8);
    EXPECT_EQ(upstream.live, 0);
    arena.deallocate(aligned, 64, 64);
    arena.deallocate(first, 10, 1);
}

TEST(KeyPathArenaTest, TakesBlocksBackSoThatGrowingContainersKeepFitting)
{
    CountingUpstream upstream;
    KeyPathArena arena(1024, &upstream);
    void* kept = arena.allocate(100, 8);
    void* middle = arena.allocate(200, 8);
    void* top = arena.allocate(300, 8);
    // The top block is taken back at once: the next request starts where it did.
    arena.deallocate(top, 300, 8);
    EXPECT_EQ(arena.allocate(300, 8), top);
    // A block below the top is reused for a request of its size.
    arena.deallocate(middle, 200, 8);
    EXPECT_EQ(arena.allocate(200, 8), middle);
    // Once nothing is left, the region starts over.
    arena.deallocate(middle, 200, 8);
    arena.deallocate(top, 300, 8);
    arena.deallocate(kept, 100, 8);
    EXPECT_EQ(arena.allocate(900, 8), kept);
    EXPECT_EQ(upstream.live, 0);
    arena.deallocate(kept, 900, 8);

    // A string and a vector growing key by key, as the passive buffer's do,
    // stay in a region smaller than all the blocks their growth asks for
    // (about 5.9 KB): each step finds room in what the earlier ones gave back.
    KeyPathArena small(5000, &upstream);
    std::pmr::u16string text(&small);
    std::pmr::vector<std::uint32_t> boundaries(&small);
    for (int key = 0; key < 300; ++key) {
        text.push_back(u'a');
        boundaries.push_back(static_cast<std::uint32_t>(key));
    }
    EXPECT_TRUE(small.owns(text.data()));
    EXPECT_TRUE(small.owns(boundaries.data()));
    EXPECT_EQ(upstream.live, 0);
}

struct Resident : KeyPathResident {
    alignas(64) int value = 7;
};

TEST(KeyPathArenaTest, ResidentsAreMadeInTheSharedArena)
{
    auto* made = new Resident;
    EXPECT_TRUE(KeyPathArena::shared().owns(made));
    EXPECT_EQ(address(made) % 64, 0u);
    EXPECT_EQ(made->value, 7);
    delete made;
}

}  // namespace
}  // namespace qm
