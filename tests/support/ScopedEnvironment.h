#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace qm::test {

// Sets an environment variable (nothing: removes it) for the scope and puts
// back what was there before, so that no test leaks its setting into the next.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value) : name_(std::move(name))
    {
        if (const char* before = std::getenv(name_.c_str())) {
            previous_ = before;
        }
        apply(value);
    }
    ~ScopedEnvironment() { apply(previous_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void apply(const std::optional<std::string>& value)
    {
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }

    std::string name_;
    std::optional<std::string> previous_;
};

}  // namespace qm::test
