#pragma once

#include <cstddef>
#include <new>

#include "base/KeyPathArena.h"

namespace qm {

// A class deriving from this one is allocated by new in the key-path arena
// (KeyPathArena::shared()), beside the other objects every key reads.
// Objects made otherwise (on the stack, by make_shared) are unaffected.
class KeyPathResident {
public:
    static void* operator new(std::size_t size)
    {
        return KeyPathArena::shared().allocate(size, __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    }
    static void* operator new(std::size_t size, std::align_val_t alignment)
    {
        return KeyPathArena::shared().allocate(size, static_cast<std::size_t>(alignment));
    }
    static void operator delete(void* pointer, std::size_t size)
    {
        KeyPathArena::shared().deallocate(pointer, size, __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    }
    static void operator delete(void* pointer, std::size_t size, std::align_val_t alignment)
    {
        KeyPathArena::shared().deallocate(pointer, size, static_cast<std::size_t>(alignment));
    }

protected:
    KeyPathResident() = default;
    ~KeyPathResident() = default;
};

}  // namespace qm
