#include "suggestions/SkeletonGenerator.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include "base/CharacterBreaks.h"
#include "base/Text.h"

namespace qm {

namespace {

constexpr std::string_view kEmail = R"(^[a-zA-Z0-9._%+-]+@[a-zA-Z0-9.-]+\.[a-zA-Z]{2,}$)";
constexpr std::string_view kUrl = R"(^(?:https?://)?(?:www\.)?[a-zA-Z0-9.\-]+\.[a-zA-Z]{2,}(?:/\S*)?$)";
constexpr std::string_view kUuid =
    R"(^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}$)";
constexpr std::string_view kDate = R"(^\d{4}[-/.]\d{2}[-/.]\d{2}$|^\d{1,2}[-/.]\d{1,2}[-/.]\d{2,4}$)";
constexpr std::string_view kNumber = R"(^[$-]?\d+(?:[.,]\d+)*%?$)";
constexpr std::string_view kIp = R"(^\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3}$)";
constexpr std::string_view kPort = R"(^:\d{2,5}$)";
constexpr std::string_view kPath = R"(^(?:\.?\./|/)[a-zA-Z0-9_\.\-/]+$)";
constexpr std::string_view kGitHash = R"(^[0-9a-fA-F]{7,40}$)";
constexpr std::string_view kK8sResource =
    R"(^(?:pod|deployment|service|ingress|namespace|node|configmap|secret|pv|pvc)/[a-zA-Z0-9\-]+$)";

// Punctuation that belongs inside words: e-mail addresses, paths, times, "don't".
bool isKeptPunctuation(std::u16string_view character)
{
    return character == u"'" || character == u"-" || character == u"/" || character == u"." ||
           character == u"@" || character == u":";
}

// White space by its first code point ("\r\n" is one character); punctuation
// only as a single code point, so a mark on it makes it part of a word.
bool isSeparator(std::u16string_view character)
{
    UChar32 first = 0;
    std::size_t offset = 0;
    U16_NEXT(character.data(), offset, character.size(), first);
    if (u_hasBinaryProperty(first, UCHAR_WHITE_SPACE)) {
        return true;
    }
    const bool single = offset == character.size();
    return single && u_ispunct(first) && !isKeptPunctuation(character);
}

}  // namespace

SkeletonGenerator::SkeletonGenerator()
    : classes_{{
          {Regex::compile(kUuid), "<UUID>"},
          {Regex::compile(kEmail), "<EMAIL>"},
          {Regex::compile(kUrl), "<URL>"},
          {Regex::compile(kDate), "<DATE>"},
          {Regex::compile(kNumber), "<NUM>"},
          {Regex::compile(kIp), "<IP>"},
          {Regex::compile(kPort), "<PORT>"},
          {Regex::compile(kPath), "<PATH>"},
          {Regex::compile(kK8sResource), "<K8S_RESOURCE>"},
          {Regex::compile(kGitHash), "<GIT_HASH>"},
      }}
{
}

std::string SkeletonGenerator::generateSkeleton(std::string_view line) const
{
    const std::u16string units = text::toUtf16(line);
    std::u16string skeleton;
    std::size_t wordStart = 0;
    auto flushWord = [&](std::size_t end) {
        if (end > wordStart) {
            skeleton += classifyAndReplace(std::u16string_view(units).substr(wordStart, end - wordStart));
        }
    };

    text::CharacterBreaks breaks(units);
    for (std::size_t start = 0; start < units.size();) {
        const std::size_t end = breaks.following(start);
        const auto character = std::u16string_view(units).substr(start, end - start);
        if (isSeparator(character)) {
            flushWord(start);
            skeleton += character;
            wordStart = end;
        }
        start = end;
    }
    flushWord(units.size());
    return text::toUtf8(skeleton);
}

std::u16string SkeletonGenerator::classifyAndReplace(std::u16string_view token) const
{
    for (const TokenClass& tokenClass : classes_) {
        if (tokenClass.regex && tokenClass.regex->hasMatch(token)) {
            return text::toUtf16(tokenClass.placeholder);
        }
    }
    return std::u16string(token);
}

}  // namespace qm
