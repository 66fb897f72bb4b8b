#pragma once

#include <exception>
#include <string>

namespace qm {

// An error as the platform's frameworks report it: a domain naming the
// framework or component, a code within that domain, and a sentence for the
// user. Components that pass a framework's error on unchanged pass this value.
class PlatformError : public std::exception {
public:
    PlatformError(std::string domain, long code, std::string localizedDescription)
        : domain_(std::move(domain)), code_(code), localizedDescription_(std::move(localizedDescription))
    {
    }

    const std::string& domain() const { return domain_; }
    long code() const { return code_; }
    const std::string& localizedDescription() const { return localizedDescription_; }
    const char* what() const noexcept override { return localizedDescription_.c_str(); }

    bool operator==(const PlatformError& other) const
    {
        return domain_ == other.domain_ && code_ == other.code_ &&
               localizedDescription_ == other.localizedDescription_;
    }

private:
    std::string domain_;
    long code_;
    std::string localizedDescription_;
};

}  // namespace qm
