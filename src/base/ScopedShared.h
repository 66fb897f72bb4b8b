#pragma once

#include "base/SharedInstance.h"

namespace qm {

// Installs `instance` as T's shared instance for the installer's lifetime and
// puts back what was installed before. Installers nest: undo them in the
// reverse order (members and locals do). The owner keeps `instance` alive
// longer than the installer.
template <class T> class ScopedShared {
public:
    explicit ScopedShared(T& instance)
        : instance_(&instance), previous_(SharedInstance<T>::exchange(&instance))
    {
    }
    ~ScopedShared()
    {
        // Only the installer whose instance is still in place puts the old one back.
        if (SharedInstance<T>::installed() == instance_) {
            SharedInstance<T>::exchange(previous_);
        }
    }
    ScopedShared(const ScopedShared&) = delete;
    ScopedShared& operator=(const ScopedShared&) = delete;

private:
    T* instance_;
    T* previous_;
};

}  // namespace qm
