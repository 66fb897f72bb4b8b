#include "targets/ObsidianDailyNotes.h"

#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "base/FileUtil.h"
#include "base/Json.h"
#include "base/Log.h"
#include "base/Text.h"
#include "targets/NoteFile.h"

namespace qm {

namespace {

constexpr const char* kSettingsFile = ".obsidian/daily-notes.json";

std::string replacingAll(std::string text, std::string_view from, std::string_view to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::optional<std::string> nonEmptyString(const nlohmann::json& settings, std::string_view key)
{
    auto value = json::stringAt(settings, key);
    if (!value || value->empty()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

ObsidianDailyNotes ObsidianDailyNotes::load(const std::string& vaultRoot, const std::string& folderSetting)
{
    ObsidianDailyNotes notes;
    notes.folder = text::trimmed(folderSetting);

    const std::string file = notefile::join(vaultRoot, kSettingsFile);
    std::error_code error;
    // Anything but a regular file (a pipe would block the read) counts as missing.
    const auto bytes =
        std::filesystem::is_regular_file(file, error) ? file::readAll(file, error) : std::nullopt;
    const auto settings = bytes ? json::parse(*bytes) : std::nullopt;
    if (!settings || !settings->is_object()) {
        return notes;
    }
    if (notes.folder.empty()) {
        if (const auto folder = nonEmptyString(*settings, "folder");
            folder && !text::trimmed(*folder).empty()) {
            notes.folder = text::trimmed(*folder);
            Log::log(fmt::format("📝 ObsidianTarget: Auto-detected daily notes folder '{}' from config",
                                 notes.folder));
        }
    }
    if (const auto format = nonEmptyString(*settings, "format")) {
        notes.format = convertDateFormat(*format);
        Log::log(fmt::format("📝 ObsidianTarget: Auto-detected custom date format '{}'", notes.format));
    }
    if (const auto templateSetting = nonEmptyString(*settings, "template")) {
        notes.templateSetting = templateSetting;
        Log::log(fmt::format("📝 ObsidianTarget: Auto-detected template path '{}'", *templateSetting));
    }
    return notes;
}

std::optional<std::string> ObsidianDailyNotes::templateFile(const std::string& vaultRoot) const
{
    if (!templateSetting) {
        return std::nullopt;
    }
    return notefile::join(vaultRoot,
                          templateSetting->ends_with(".md") ? *templateSetting : *templateSetting + ".md");
}

std::string ObsidianDailyNotes::convertDateFormat(std::string_view obsidianFormat)
{
    // In this order: each step works on the result of the one before.
    std::string pattern = replacingAll(std::string(obsidianFormat), "YYYY", "yyyy");
    pattern = replacingAll(std::move(pattern), "YY", "yy");
    pattern = replacingAll(std::move(pattern), "DD", "dd");
    pattern = replacingAll(std::move(pattern), "D", "d");
    pattern = replacingAll(std::move(pattern), "dddd", "EEEE");
    return replacingAll(std::move(pattern), "ddd", "E");
}

}  // namespace qm
