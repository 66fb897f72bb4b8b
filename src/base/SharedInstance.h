#pragma once

#include <atomic>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qm {

// The process-wide instance of a service that the program's code reaches as
// `T::shared()`. Only the composition root installs one (tests through
// ScopedShared); the service never builds one itself. Asking before anything
// was installed is a wiring fault and throws std::logic_error naming the type.
// Any thread.
template <class T> class SharedInstance {
public:
    SharedInstance() = delete;

    static T& get(std::string_view typeName)
    {
        if (T* instance = slot_.load(std::memory_order_acquire)) {
            return *instance;
        }
        throw std::logic_error(std::string(typeName) +
                               "::shared(): nothing was installed; the composition root installs it");
    }

    // The installed instance, or nullptr.
    static T* installed() { return slot_.load(std::memory_order_acquire); }

    // Installs `instance` (nullptr uninstalls) and returns the one it replaces.
    static T* exchange(T* instance) { return slot_.exchange(instance, std::memory_order_acq_rel); }

private:
    inline static std::atomic<T*> slot_{nullptr};
};

}  // namespace qm
