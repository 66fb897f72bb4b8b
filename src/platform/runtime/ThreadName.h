#pragma once

#include <string>
#include <string_view>

namespace qm {

// Names the calling thread after a queue label so that debuggers and `top -H`
// tell the queues apart. Linux keeps at most 15 bytes of a thread name, and
// every label here begins with the bundle identifier or its vendor part
// ("com.quillmarker.app." or "com.quillmarker."), so that prefix is dropped
// before the name is cut (at a UTF-8 character boundary).
class ThreadName {
public:
    static constexpr std::size_t kMaxBytes = 15;

    // The name the thread gets for `label`.
    static std::string forLabel(std::string_view label);

    // Applies forLabel(label) to the calling thread.
    static void setCurrent(std::string_view label);

    // The calling thread's name as the system reports it.
    static std::string current();
};

}  // namespace qm
