#include "platform/sim/workspace/SimPasteboard.h"

#include <algorithm>

namespace qm {

long SimPasteboard::clearContents()
{
    std::lock_guard lock(mutex_);
    items_.clear();
    return ++changeCount_;
}

long SimPasteboard::declareTypes(const std::vector<std::string>& types)
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

bool SimPasteboard::setString(std::string_view value, std::string_view type)
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

std::optional<std::string> SimPasteboard::string(std::string_view type) const
{
    std::lock_guard lock(mutex_);
    const Item* item = find(type);
    return item ? item->second : std::nullopt;
}

std::vector<std::string> SimPasteboard::types() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    result.reserve(items_.size());
    for (const auto& item : items_) {
        result.push_back(item.first);
    }
    return result;
}

long SimPasteboard::changeCount() const
{
    std::lock_guard lock(mutex_);
    return changeCount_;
}

void SimPasteboard::setWritesFail(bool fail)
{
    std::lock_guard lock(mutex_);
    writesFail_ = fail;
}

int SimPasteboard::writeAttempts() const
{
    std::lock_guard lock(mutex_);
    return writeAttempts_;
}

SimPasteboard::Item* SimPasteboard::find(std::string_view type)
{
    auto found =
        std::find_if(items_.begin(), items_.end(), [&](const Item& item) { return item.first == type; });
    return found == items_.end() ? nullptr : &*found;
}

const SimPasteboard::Item* SimPasteboard::find(std::string_view type) const
{
    auto found =
        std::find_if(items_.begin(), items_.end(), [&](const Item& item) { return item.first == type; });
    return found == items_.end() ? nullptr : &*found;
}

}  // namespace qm
