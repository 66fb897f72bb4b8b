#pragma once

#include <csignal>

#include <sys/resource.h>

namespace qm::test {

// Limits the size of files this process writes, so that a write() fails part
// way with EFBIG (it binds root as well); SIGXFSZ is ignored meanwhile. Puts
// both back when it goes. Tests run one at a time, so the process-wide limit
// touches no other test.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        valid_ = ::getrlimit(RLIMIT_FSIZE, &previous_) == 0;
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        valid_ = valid_ && ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }

    ~ScopedFileSizeLimit()
    {
        std::signal(SIGXFSZ, previousHandler_);
        if (valid_) {
            ::setrlimit(RLIMIT_FSIZE, &previous_);
        }
    }

    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

    // Whether the limit is in force.
    bool valid() const { return valid_; }

private:
    rlimit previous_{};
    bool valid_ = false;
    void (*previousHandler_)(int) = SIG_DFL;
};

}  // namespace qm::test
