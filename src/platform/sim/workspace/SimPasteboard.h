#pragma once

#include <mutex>
#include <utility>

#include "platform/workspace/Pasteboard.h"

namespace qm {

// The stand-in clipboard. A test can make writes fail, as a pasteboard that
// another process holds locked would.
class SimPasteboard final : public Pasteboard {
public:
    long clearContents() override;
    long declareTypes(const std::vector<std::string>& types) override;
    [[nodiscard]] bool setString(std::string_view value, std::string_view type) override;
    std::optional<std::string> string(std::string_view type) const override;
    std::vector<std::string> types() const override;
    long changeCount() const override;

    // While set, every setString answers false and changes nothing.
    void setWritesFail(bool fail);
    // How many setString calls were made, refused ones included.
    int writeAttempts() const;

private:
    using Item = std::pair<std::string, std::optional<std::string>>;  // type, written value

    Item* find(std::string_view type);
    const Item* find(std::string_view type) const;

    mutable std::mutex mutex_;
    std::vector<Item> items_;
    long changeCount_ = 0;
    bool writesFail_ = false;
    int writeAttempts_ = 0;
};

}  // namespace qm
