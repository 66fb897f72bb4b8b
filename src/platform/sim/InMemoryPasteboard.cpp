#include "platform/sim/InMemoryPasteboard.h"

#include <algorithm>

namespace qm {

long InMemoryPasteboard::clearContents()
{
    std::lock_guard lock(mutex_);
    items_.clear();
    return ++changeCount_;
}

long InMemoryPasteboard::declareTypes(const std::vector<std::string>& types)
{
    std::lock_guard lock(mutex_);
    items_.clear();
    for (const auto& type : types) {
        if (!find(type)) {
            items_.emplace_back(type, std::nullopt);
        }
    }
    return ++changeCount_;
}

bool InMemoryPasteboard::setString(std::string_view value, std::string_view type)
{
    std::lock_guard lock(mutex_);
    ++writeAttempts_;
    if (writesFail_) {
        return false;
    }
    if (Item* item = find(type)) {
        item->second = std::string(value);
    } else {
        items_.emplace_back(std::string(type), std::string(value));
    }
    return true;
}

std::optional<std::string> InMemoryPasteboard::string(std::string_view type) const
{
    std::lock_guard lock(mutex_);
    const Item* item = find(type);
    return item ? item->second : std::nullopt;
}

std::vector<std::string> InMemoryPasteboard::types() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    result.reserve(items_.size());
    for (const auto& item : items_) {
        result.push_back(item.first);
    }
    return result;
}

long InMemoryPasteboard::changeCount() const
{
    std::lock_guard lock(mutex_);
    return changeCount_;
}

void InMemoryPasteboard::setWritesFail(bool fail)
{
    std::lock_guard lock(mutex_);
    writesFail_ = fail;
}

int InMemoryPasteboard::writeAttempts() const
{
    std::lock_guard lock(mutex_);
    return writeAttempts_;
}

InMemoryPasteboard::Item* InMemoryPasteboard::find(std::string_view type)
{
    auto found =
        std::find_if(items_.begin(), items_.end(), [&](const Item& item) { return item.first == type; });
    return found == items_.end() ? nullptr : &*found;
}

const InMemoryPasteboard::Item* InMemoryPasteboard::find(std::string_view type) const
{
    auto found =
        std::find_if(items_.begin(), items_.end(), [&](const Item& item) { return item.first == type; });
    return found == items_.end() ? nullptr : &*found;
}

}  // namespace qm
