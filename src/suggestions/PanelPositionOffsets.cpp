#include "suggestions/PanelPositionOffsets.h"

#include "platform/storage/UserDefaults.h"
#include "suggestions/SuggestionDefaultsKeys.h"

namespace qm {

namespace {

std::optional<double> number(const DefaultsValue& value)
{
    if (const auto* real = value.get<double>()) {
        return *real;
    }
    if (const auto* whole = value.get<std::int64_t>()) {
        return static_cast<double>(*whole);
    }
    return std::nullopt;
}

}  // namespace

PanelPositionOffsets::PanelPositionOffsets(UserDefaults& defaults) : defaults_(defaults) {}

PanelPositionOffsets::Offsets PanelPositionOffsets::read() const
{
    const auto stored = defaults_.dictionaryForKey(SuggestionDefaultsKeys::perAppPositionOffsets);
    if (!stored) {
        return {};
    }
    Offsets offsets;
    for (const auto& [bundleId, entry] : *stored) {
        const auto* members = entry.get<DefaultsValue::Dictionary>();
        if (!members) {
            return {};
        }
        auto& parsed = offsets[bundleId];
        for (const auto& [name, value] : *members) {
            const auto coordinate = number(value);
            if (!coordinate) {
                return {};
            }
            parsed[name] = *coordinate;
        }
    }
    return offsets;
}

void PanelPositionOffsets::write(const Offsets& offsets)
{
    DefaultsValue::Dictionary stored;
    for (const auto& [bundleId, members] : offsets) {
        DefaultsValue::Dictionary entry;
        for (const auto& [name, coordinate] : members) {
            entry.emplace(name, coordinate);
        }
        stored.emplace(bundleId, std::move(entry));
    }
    defaults_.set(SuggestionDefaultsKeys::perAppPositionOffsets, std::move(stored));
}

std::optional<Point> PanelPositionOffsets::offsetFor(const std::string& bundleId) const
{
    const Offsets offsets = read();
    const auto entry = offsets.find(bundleId);
    if (entry == offsets.end()) {
        return std::nullopt;
    }
    const auto x = entry->second.find("x");
    const auto y = entry->second.find("y");
    if (x == entry->second.end() || y == entry->second.end()) {
        return std::nullopt;
    }
    return Point{x->second, y->second};
}

void PanelPositionOffsets::save(const std::string& bundleId, Point offset)
{
    Offsets offsets = read();
    offsets[bundleId] = {{"x", offset.x}, {"y", offset.y}};
    write(offsets);
}

void PanelPositionOffsets::clear(const std::string& bundleId)
{
    Offsets offsets = read();
    offsets.erase(bundleId);
    write(offsets);
}

}  // namespace qm
