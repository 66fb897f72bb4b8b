#include "app/PlaceholderNavigator.h"

#include <fmt/format.h>

#include "app/HostField.h"
#include "base/Log.h"
#include "base/Regex.h"
#include "base/Text.h"
#include "capture/CaptureNotifications.h"
#include "capture/EventTapManager.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"

namespace qm {

PlaceholderNavigator::PlaceholderNavigator(Services services) : services_(services)
{
    NotificationCenter& center = services_.notificationCenter;
    observers_.push_back(center.addObserver(CaptureNotifications::tabPlaceholderPressed, nullptr,
                                            [this](const Notification&) { handleTabPlaceholderPressed(); }));
    observers_.push_back(
        center.addObserver(CaptureNotifications::escapePlaceholderPressed, nullptr,
                           [this](const Notification&) { handleEscapePlaceholderPressed(); }));
}

PlaceholderNavigator::~PlaceholderNavigator()
{
    for (const auto& token : observers_) {
        services_.notificationCenter.removeObserver(token);
    }
}

std::vector<PlaceholderNavigator::Placeholder>
PlaceholderNavigator::parsePlaceholders(std::string_view text, std::int64_t startOffset)
{
    std::string error;
    static const auto blank = Regex::compile("<[^>]+>", &error);
    if (!blank) {
        Log::print("Failed to compile placeholder regex: " + error);
        return {};
    }
    std::vector<Placeholder> found;
    for (const Regex::Match& match : blank->allMatches(text)) {
        const Utf16Range range = match.range();
        const auto tag = text::utf8Slice(text, range);
        if (!tag) {
            continue;
        }
        found.push_back({{static_cast<std::int64_t>(range.location) + startOffset,
                          static_cast<std::int64_t>(range.length)},
                         std::string(*tag)});
    }
    return found;
}

void PlaceholderNavigator::begin(std::vector<Placeholder> placeholders)
{
    if (placeholders.empty()) {
        return;
    }
    placeholders_ = std::move(placeholders);
    currentIndex_ = 0;
    active_ = true;
    services_.eventTapManager.setPlaceholderModeActive(true);
}

void PlaceholderNavigator::selectPlaceholder(int index, const AXUIElement& element)
{
    if (index < 0 || index >= static_cast<int>(placeholders_.size())) {
        return;
    }
    const Placeholder& placeholder = placeholders_[static_cast<std::size_t>(index)];
    element.setAttributeValue(AXAttribute::selectedTextRange, AXValue::range(placeholder.range));
    Log::log(fmt::format("🎯 Highlighted placeholder {}: {} at position {}", index, placeholder.tag,
                         placeholder.range.location));
}

void PlaceholderNavigator::selectFirstAfter(double delay, AXUIElement element)
{
    services_.mainLoop.postAfter(delay, alive_.guard([this, element] { selectPlaceholder(0, element); }));
}

void PlaceholderNavigator::handleTabPlaceholderPressed()
{
    if (!active_) {
        return;
    }
    const auto element = HostField::focusedElement(services_.accessibility);
    if (!element) {
        return;
    }
    if (const auto selection = HostField::selectedRange(*element);
        selection && currentIndex_ < static_cast<int>(placeholders_.size())) {
        // What the user typed over the blank ends where the selection ends: a
        // blank still wholly selected was not replaced, and nothing moves.
        const Placeholder& current = placeholders_[static_cast<std::size_t>(currentIndex_)];
        const std::int64_t shift = selection->end() - current.range.end();
        if (shift != 0) {
            for (std::size_t i = static_cast<std::size_t>(currentIndex_) + 1; i < placeholders_.size(); ++i) {
                placeholders_[i].range.location += shift;
            }
        }
    }
    ++currentIndex_;
    if (currentIndex_ < static_cast<int>(placeholders_.size())) {
        selectPlaceholder(currentIndex_, *element);
        return;
    }
    end();
}

void PlaceholderNavigator::handleEscapePlaceholderPressed()
{
    end();
}

void PlaceholderNavigator::end()
{
    active_ = false;
    services_.eventTapManager.setPlaceholderModeActive(false);
    placeholders_.clear();
    currentIndex_ = 0;
}

}  // namespace qm
