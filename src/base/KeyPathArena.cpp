#include "base/KeyPathArena.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace qm {

namespace {

// Page-aligned, so the region spans as few pages as its size allows.
constexpr std::size_t kPageSize = 4096;

std::size_t alignUp(std::size_t offset, std::size_t alignment)
{
    return (offset + alignment - 1) / alignment * alignment;
}

}  // namespace

KeyPathArena::KeyPathArena(std::size_t capacity, std::pmr::memory_resource* upstream)
    : upstream_(upstream), capacity_(capacity),
      region_(static_cast<std::byte*>(::operator new (capacity, std::align_val_t{kPageSize})))
{
}

KeyPathArena::~KeyPathArena()
{
    ::operator delete (region_, std::align_val_t{kPageSize});
}

KeyPathArena& KeyPathArena::shared()
{
    // Four pages: what one running app keeps here needs about two.
    static KeyPathArena* const arena = new KeyPathArena(4 * kPageSize);
    return *arena;
}

bool KeyPathArena::owns(const void* pointer) const
{
    const auto address = reinterpret_cast<std::uintptr_t>(pointer);
    const auto start = reinterpret_cast<std::uintptr_t>(region_);
    return address >= start && address < start + capacity_;
}

void* KeyPathArena::do_allocate(std::size_t bytes, std::size_t alignment)
{
    if (alignment <= kPageSize) {
        std::lock_guard lock(mutex_);
        if (void* reused = takeReturned(bytes, alignment)) {
            ++liveBlocks_;
            return reused;
        }
        const std::size_t offset = alignUp(used_, alignment);
        if (offset <= capacity_ && bytes <= capacity_ - offset) {
            if (offset > used_) {
                giveBack({region_ + used_, offset - used_});
            }
            used_ = offset + bytes;
            ++liveBlocks_;
            return region_ + offset;
        }
    }
    return upstream_->allocate(bytes, alignment);
}

void KeyPathArena::do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment)
{
    if (!owns(pointer)) {
        upstream_->deallocate(pointer, bytes, alignment);
        return;
    }
    std::lock_guard lock(mutex_);
    if (--liveBlocks_ == 0) {
        used_ = 0;
        returnedCount_ = 0;
        return;
    }
    giveBack({static_cast<std::byte*>(pointer), bytes});
}

void* KeyPathArena::takeReturned(std::size_t bytes, std::size_t alignment)
{
    // First fit; what the request leaves of the block before and after it stays returned.
    for (std::size_t i = 0; i < returnedCount_; ++i) {
        const Block block = returned_[i];
        const auto start = reinterpret_cast<std::uintptr_t>(block.start);
        const std::size_t padding = alignUp(start, alignment) - start;
        if (padding > block.size || bytes > block.size - padding) {
            continue;
        }
        returned_[i] = returned_[--returnedCount_];
        std::byte* const taken = block.start + padding;
        if (padding > 0) {
            giveBack({block.start, padding});
        }
        if (const std::size_t rest = block.size - padding - bytes; rest > 0) {
            giveBack({taken + bytes, rest});
        }
        return taken;
    }
    return nullptr;
}

void KeyPathArena::giveBack(Block block)
{
    // Joined with the returned blocks on either side, so that a container
    // growing step by step finds room in what its earlier steps left.
    for (std::size_t i = 0; i < returnedCount_;) {
        const Block& other = returned_[i];
        if (other.start + other.size == block.start || block.start + block.size == other.start) {
            block = {std::min(block.start, other.start), block.size + other.size};
            returned_[i] = returned_[--returnedCount_];
            i = 0;
        } else {
            ++i;
        }
    }
    if (block.start + block.size == region_ + used_) {
        used_ = static_cast<std::size_t>(block.start - region_);
        return;
    }
    if (returnedCount_ < returned_.size()) {
        returned_[returnedCount_++] = block;
    }
}

bool KeyPathArena::do_is_equal(const std::pmr::memory_resource& other) const noexcept
{
    return this == &other;
}

}  // namespace qm
