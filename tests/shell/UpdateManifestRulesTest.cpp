// The release manifest's rules: versions, acceptance, the image address, what
// is shown of a release and where its image is saved.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/FileUtil.h"
#include "shell/AppUpdateChecker.h"
#include "shell/UpdateError.h"
#include "support/TempDir.h"

namespace qm {
namespace {

using Checker = AppUpdateChecker;
using Components = std::vector<std::int64_t>;

const std::string kHost = std::string(Checker::updateHost());
const std::string kImage = "https://" + kHost + "/releases/Quillmarker-2.0.dmg";
const std::string kDigest = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";

nlohmann::json goodManifest()
{
    return {{"version", "2.0"}, {"build", 7},        {"minimumSystemVersion", "13.0"},
            {"dmgURL", kImage}, {"sha256", kDigest}, {"releaseNotes", {"Faster capture", "Fixes"}}};
}

TEST(UpdateVersionTest, ParsesEachDotSeparatedPieceToItsDigits)
{
    const struct {
        std::string text;
        Components expected;
    } cases[] = {
        {"V1.2.3", {1, 2, 3}},
        {"v1.2.3", {1, 2, 3}},
        {" \n2.0\t ", {2, 0}},
        {"1.2.3-beta", {1, 2, 3}},
        {"1.2.3-beta2", {1, 2, 32}},
        {"1.0b", {1, 0}},
        {"1..2", {1, 2}},
        {".1.2.", {1, 2}},
        {"", {}},
        {"...", {}},
        {"vv2", {2}},
        {"beta", {0}},
        {"1.99999999999999999999", {1, 0}},  // beyond 64 bits
        {"1.\u0663", {1, 0}},                // an Arabic-Indic three: numeric, not a decimal ASCII digit
        {"2.\u00bd", {2, 0}},                // a vulgar fraction is numeric too
        {"1.2a3b", {1, 23}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Checker::parseVersion(c.text), c.expected) << c.text;
    }
}

TEST(UpdateVersionTest, OrdersComponentByComponentWithMissingOnesAsZero)
{
    const struct {
        Components version;
        Components other;
        bool newer;
    } cases[] = {
        {{1, 10}, {1, 9}, true},    {{1, 9}, {1, 10}, false},  {{1, 2, 0}, {1, 2}, false},
        {{1, 2}, {1, 2, 0}, false}, {{1, 2, 1}, {1, 2}, true}, {{}, {}, false},
        {{0}, {}, false},           {{1, 99}, {2, 0}, false},  {{1}, {}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Checker::isVersion(c.version, c.other), c.newer)
            << testing::PrintToString(c.version) << " vs " << testing::PrintToString(c.other);
    }
}

TEST(UpdateVersionTest, TheBuildBreaksATieOnlyBetweenIdenticalVersions)
{
    const struct {
        std::string running;
        std::int64_t runningBuild;
        std::string remote;
        std::int64_t remoteBuild;
        bool update;
    } cases[] = {
        {"1.4.2", 40, "V1.4.2", 41, true},   {"1.4.2", 40, "1.4.2", 40, false},
        {"1.4.2", 40, "1.4.2.0", 99, false}, {"1.2.0", 1, "1.2", 9, false},
        {"1.2", 1, "1.2.0", 9, false},       {"1.9", 1, "1.10", 1, true},
        {"2.0", 1, "1.99", 500, false},      {"0", 0, "0.0.1", 1, true},
    };
    for (const auto& c : cases) {
        auto manifest = Checker::decodeManifest(goodManifest().dump());
        manifest.version = c.remote;
        manifest.build = c.remoteBuild;
        EXPECT_EQ(Checker::describesUpdate(manifest, c.running, c.runningBuild), c.update)
            << c.running << " (" << c.runningBuild << ") against " << c.remote << " (" << c.remoteBuild
            << ")";
    }
}

TEST(UpdateVersionTest, TheRunningReleaseComesFromTheInformationDictionary)
{
    using Info = DefaultsValue::Dictionary;
    const struct {
        Info info;
        std::string version;
        std::int64_t build;
    } cases[] = {
        {Info{{"CFBundleShortVersionString", "1.4.2"}, {"CFBundleVersion", "40"}}, "1.4.2", 40},
        {Info{}, "0", 0},
        {Info{{"CFBundleShortVersionString", 3}, {"CFBundleVersion", 40}}, "0", 0},
        {Info{{"CFBundleVersion", "12a"}}, "0", 0},
        {Info{{"CFBundleVersion", "1.2"}}, "0", 0},
        {Info{{"CFBundleVersion", ""}}, "0", 0},
        {Info{{"CFBundleVersion", "+7"}}, "0", 7},
        {Info{{"CFBundleVersion", "-7"}}, "0", -7},
        {Info{{"CFBundleVersion", "99999999999999999999"}}, "0", 0},
        {Info{{"CFBundleVersion", "\u0663"}}, "0", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Checker::versionIn(c.info), c.version);
        EXPECT_EQ(Checker::buildIn(c.info), c.build);
    }
    EXPECT_FALSE(Checker::currentVersion().empty());
    EXPECT_GE(Checker::currentBuild(), 1) << "the build names its number";
}

TEST(UpdateManifestTest, AnAcceptedManifestIsReturnedUnchanged)
{
    auto document = goodManifest();
    document["sha256"] = "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08";
    document["dmgURL"] = "https://" + kHost + ":8443/Quillmarker-2.0.DMG?channel=stable";
    document["ignored"] = {{"anything", true}};
    document["version"] = " v2.0 ";
    const auto manifest = Checker::decodeManifest(document.dump());
    EXPECT_EQ(manifest.version, " v2.0 ");
    EXPECT_EQ(manifest.build, 7);
    EXPECT_EQ(manifest.minimumSystemVersion, "13.0");
    EXPECT_EQ(manifest.dmgURL, document["dmgURL"]);
    EXPECT_EQ(manifest.sha256, document["sha256"]);
    EXPECT_EQ(manifest.releaseNotes, (std::vector<std::string>{"Faster capture", "Fixes"}));
}

TEST(UpdateManifestTest, EncodesTheSixKeysInOrderAndReadsBackEqual)
{
    const auto manifest = Checker::decodeManifest(goodManifest().dump());
    const std::string text = manifest.encoded();
    EXPECT_LT(text.find("\"version\""), text.find("\"build\""));
    EXPECT_LT(text.find("\"build\""), text.find("\"minimumSystemVersion\""));
    EXPECT_LT(text.find("\"minimumSystemVersion\""), text.find("\"dmgURL\""));
    EXPECT_LT(text.find("\"dmgURL\""), text.find("\"sha256\""));
    EXPECT_LT(text.find("\"sha256\""), text.find("\"releaseNotes\""));
    EXPECT_EQ(Checker::decodeManifest(text), manifest);
}

// How a refused body fails: as JSON that does not decode, or by a rule.
enum class Refusal { decoding, rule };

TEST(UpdateManifestTest, RefusesBadManifestsByDecodingOrByRule)
{
    using Edit = std::function<void(nlohmann::json&)>;
    const auto set = [](const char* key, nlohmann::json value) -> Edit {
        return [key, value](nlohmann::json& d) { d[key] = value; };
    };
    const struct {
        const char* what;
        Edit edit;
        Refusal refusal;
    } cases[] = {
        {"notes as one string", set("releaseNotes", "Fixes"), Refusal::decoding},
        {"a note that is not text", set("releaseNotes", {"Fixes", 3}), Refusal::decoding},
        {"no version", [](nlohmann::json& d) { d.erase("version"); }, Refusal::decoding},
        {"no minimum system", [](nlohmann::json& d) { d.erase("minimumSystemVersion"); }, Refusal::decoding},
        {"a null build", set("build", nullptr), Refusal::decoding},
        {"a textual build", set("build", "7"), Refusal::decoding},
        {"a fractional build", set("build", 7.5), Refusal::decoding},
        {"a build beyond 64 bits", set("build", 18446744073709551615u), Refusal::decoding},
        {"a numeric version", set("version", 2), Refusal::decoding},
        {"build 0", set("build", 0), Refusal::rule},
        {"a negative build", set("build", -3), Refusal::rule},
        {"version 0.0", set("version", "0.0"), Refusal::rule},
        {"version without digits", set("version", "beta"), Refusal::rule},
        {"an empty version", set("version", ""), Refusal::rule},
        {"plain http", set("dmgURL", "http://" + kHost + "/Quillmarker-2.0.dmg"), Refusal::rule},
        {"the scheme in capitals", set("dmgURL", "HTTPS://" + kHost + "/Quillmarker-2.0.dmg"), Refusal::rule},
        {"another host", set("dmgURL", "https://example.com/Quillmarker-2.0.dmg"), Refusal::rule},
        {"a subdomain", set("dmgURL", "https://cdn." + kHost + "/Quillmarker-2.0.dmg"), Refusal::rule},
        {"a look-alike host", set("dmgURL", "https://" + kHost + ".example.com/Quillmarker-2.0.dmg"),
         Refusal::rule},
        {"not a dmg", set("dmgURL", "https://" + kHost + "/Quillmarker-2.0.zip"), Refusal::rule},
        {"dmg only in the query", set("dmgURL", "https://" + kHost + "/download?file=x.dmg"), Refusal::rule},
        {"a relative address", set("dmgURL", "/Quillmarker-2.0.dmg"), Refusal::rule},
        {"a space in the address", set("dmgURL", "https://" + kHost + "/Quillmarker 2.0.dmg"), Refusal::rule},
        {"63 digits", set("sha256", kDigest.substr(1)), Refusal::rule},
        {"65 digits", set("sha256", kDigest + "0"), Refusal::rule},
        {"a line feed after 64 digits", set("sha256", kDigest + "\n"), Refusal::rule},
        {"not hexadecimal", set("sha256", "g" + kDigest.substr(1)), Refusal::rule},
    };
    for (const auto& c : cases) {
        auto document = goodManifest();
        c.edit(document);
        try {
            Checker::decodeManifest(document.dump());
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const UpdateError& error) {
            EXPECT_EQ(c.refusal, Refusal::rule) << c.what;
            EXPECT_EQ(error.updateCase(), UpdateError::Case::invalidManifest) << c.what;
        } catch (const PlatformError& error) {
            EXPECT_EQ(c.refusal, Refusal::decoding) << c.what << ": " << error.localizedDescription();
            EXPECT_EQ(error.domain(), "NSCocoaErrorDomain") << c.what;
        }
    }
    for (const std::string body : {"", "not json", "[]", "{\"version\": \"2.0\"", "null", "\xff\xfe"}) {
        EXPECT_THROW(Checker::decodeManifest(body), PlatformError) << body;
    }
}

TEST(UpdateManifestTest, TheImageMustComeFromTheManifestsSchemeAndHost)
{
    const struct {
        std::string image;
        std::string manifest;
        bool accepted;
    } cases[] = {
        {kImage, std::string(Checker::manifestURLString()), true},
        {"https://" + kHost + "/a/Quillmarker.DMG", std::string(Checker::manifestURLString()), true},
        {"https://" + kHost + ":444/a.dmg#top", std::string(Checker::manifestURLString()), true},
        {"https://someone@" + kHost + "/a.dmg", std::string(Checker::manifestURLString()), true},
        {"https://" + kHost + "/.dmg", std::string(Checker::manifestURLString()), false},
        {"https://" + kHost + "/", std::string(Checker::manifestURLString()), false},
        {"https://" + kHost, std::string(Checker::manifestURLString()), false},
        {"https:///a.dmg", std::string(Checker::manifestURLString()), false},
        {"http://127.0.0.1:8080/a.dmg", "http://127.0.0.1:9090/update.json", true},
        {"https://127.0.0.1:8080/a.dmg", "http://127.0.0.1:9090/update.json", false},
        {"http://localhost:8080/a.dmg", "http://127.0.0.1:9090/update.json", false},
        {"http://127.0.0.1/a.dmg", "not an address", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Checker::validDownloadURL(c.image, c.manifest).has_value(), c.accepted)
            << c.image << " from " << c.manifest;
    }
    EXPECT_EQ(Checker::manifestURLString(), "https://" + kHost + "/update.json");
}

TEST(UpdateNotesTest, JoinsLinesAndShortensToTwoHundredEightyCharacters)
{
    const std::string exactly280(280, 'a');
    const std::string emoji = "\U0001F468\u200D\U0001F469\u200D\U0001F467";  // one character
    std::string emoji300;
    for (int i = 0; i < 300; ++i) {
        emoji300 += emoji;
    }
    std::string emoji280;
    for (int i = 0; i < 280; ++i) {
        emoji280 += emoji;
    }
    const std::string fallback = "Download the latest build from " + kHost + ".";
    const struct {
        std::vector<std::string> lines;
        std::string shown;
    } cases[] = {
        {{}, fallback},
        {{""}, fallback},
        {{"", ""}, "\n"},
        {{"One", "Two"}, "One\nTwo"},
        {{exactly280}, exactly280},
        {{std::string(300, 'b')}, std::string(280, 'b') + "…"},
        {{emoji300}, emoji280 + "…"},
        {{std::string(279, 'c'), "d"}, std::string(279, 'c') + "\n…"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Checker::preparedNotes(c.lines), c.shown) << testing::PrintToString(c.lines);
    }
}

TEST(UpdateImageNameTest, TheVersionIsMadeSafeAsOneFileNameComponent)
{
    const struct {
        std::string version;
        std::string name;
    } cases[] = {
        {"2.0", "Quillmarker-2.0.dmg"},
        {"2.0 beta", "Quillmarker-2.0 beta.dmg"},
        {"../../.ssh/2", "Quillmarker--..-.ssh-2.dmg"},
        {"..\\..\\2", "Quillmarker--..-2.dmg"},
        {"2:0", "Quillmarker-2-0.dmg"},
        {std::string("2\0x", 3), "Quillmarker-2-x.dmg"},
        {"...2", "Quillmarker-2.dmg"},
        {"/etc/passwd", "Quillmarker--etc-passwd.dmg"},
    };
    for (const auto& c : cases) {
        const std::string name = Checker::imageFileName(c.version);
        EXPECT_EQ(name, c.name) << c.version;
        EXPECT_EQ(std::filesystem::path(name).filename(), name) << c.version;
    }
}

TEST(UpdateErrorTest, DescribesEachCaseForTheUser)
{
    const struct {
        UpdateError error;
        std::string description;
    } cases[] = {
        {UpdateError::invalidHTTPStatus(404), "The download server returned HTTP 404."},
        {UpdateError::invalidHTTPStatus(-1), "The download server returned HTTP -1."},
        {UpdateError::invalidFileSize(99999), "The downloaded file size was unexpected (99999 bytes)."},
        {UpdateError::invalidFileSize(0), "The downloaded file size was unexpected (0 bytes)."},
        {UpdateError::invalidManifest(), "The release manifest is missing required security fields."},
        {UpdateError::checksumMismatch(),
         "The downloaded file did not match the published SHA-256 checksum."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.errorDescription(), c.description);
        EXPECT_STREQ(c.error.what(), c.description.c_str());
    }
}

TEST(UpdateImageDigestTest, HashesTheWholeFileAndNamesAFileItCannotRead)
{
    test::TempDir folder;
    const auto file = folder / "image.dmg";
    ASSERT_FALSE(file::writeAtomically(file, "test"));
    EXPECT_EQ(Checker::sha256(file), kDigest);
    ASSERT_FALSE(file::writeAtomically(file, ""));
    EXPECT_EQ(Checker::sha256(file), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    try {
        Checker::sha256(folder / "missing.dmg");
        ADD_FAILURE() << "a missing file was hashed";
    } catch (const PlatformError& error) {
        EXPECT_NE(error.localizedDescription().find((folder / "missing.dmg").string()), std::string::npos)
            << error.localizedDescription();
    }
    EXPECT_THROW(Checker::sha256(folder.path()), PlatformError) << "a folder is not an image";
}

}  // namespace
}  // namespace qm
