#pragma once

#include <array>
#include <cstddef>
#include <memory_resource>
#include <mutex>

namespace qm {

// Memory for the few objects that every key-down reads on the event tap's
// thread (the tap manager, the capture router and its passive buffer, the
// privacy firewall's cache), so that they share two or three pages instead
// of lying wherever the heap put them. A key after a pause finds every page
// it touches cold, and on a virtual machine each costs a page walk.
//
// Hands out its region in order; blocks given back join their returned
// neighbours and serve later requests first (first fit), the top of the
// region is taken back at once, and the whole region once nothing is left in
// it. What does not fit comes from the upstream resource (new and delete), so
// nothing fails for want of room here.
class KeyPathArena final : public std::pmr::memory_resource {
public:
    explicit KeyPathArena(std::size_t capacity,
                          std::pmr::memory_resource* upstream = std::pmr::new_delete_resource());
    ~KeyPathArena() override;
    KeyPathArena(const KeyPathArena&) = delete;
    KeyPathArena& operator=(const KeyPathArena&) = delete;

    // The process's arena; never destroyed, so an object it holds may
    // outlive every static.
    static KeyPathArena& shared();

    // Whether `pointer` lies in the region (not in an upstream block).
    bool owns(const void* pointer) const;

private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override;

    struct Block {
        std::byte* start = nullptr;
        std::size_t size = 0;
    };
    // With mutex_ held.
    void* takeReturned(std::size_t bytes, std::size_t alignment);
    void giveBack(Block block);

    std::pmr::memory_resource* const upstream_;
    const std::size_t capacity_;
    std::byte* const region_;
    std::mutex mutex_;
    std::size_t used_ = 0;
    std::size_t liveBlocks_ = 0;
    // Free blocks below the top, none adjacent to another; a full list lets
    // a block go unused until the region empties.
    std::array<Block, 32> returned_{};
    std::size_t returnedCount_ = 0;
};

}  // namespace qm
