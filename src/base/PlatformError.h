#pragma once

#include <exception>
#include <string>

namespace qm {

// The root of every exception this program throws for a failure its caller
// handles. It is an error as the platform's frameworks report one: a domain
// naming the framework or component, a code within that domain, and a
// sentence for the user, which what() gives as it is. Components that pass a
// framework's error on unchanged pass this value; our own error types derive
// from it with a domain of their own.
class PlatformError : public std::exception {
public:
    PlatformError(std::string domain, long code, std::string localizedDescription)
        : domain_(std::move(domain)), code_(code), localizedDescription_(std::move(localizedDescription))
    {
    }

    const std::string& domain() const { return domain_; }
    long code() const { return code_; }
    const std::string& localizedDescription() const { return localizedDescription_; }
    // The same sentence, under the name the documents' error types give it.
    const std::string& errorDescription() const { return localizedDescription_; }
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
