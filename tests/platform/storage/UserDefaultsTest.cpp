#include "platform/storage/UserDefaults.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/FileUtil.h"
#include "base/Log.h"
#include "platform/notifications/NotificationCenter.h"
#include "support/TempDir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class UserDefaultsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path file = dir / "config" / "defaults.json";
};

DefaultsValue::Dictionary everyKind()
{
    return {
        {"flag", true},
        {"off", false},
        {"count", std::int64_t{-42}},
        {"large", std::int64_t{1} << 62},
        {"ratio", 0.25},
        {"whole", 3.0},
        {"nan", std::numeric_limits<double>::quiet_NaN()},
        {"inf", -std::numeric_limits<double>::infinity()},
        {"name", "Café ✓"},
        {"empty", ""},
        {"blob", DefaultsValue::Data{0x00, 0xFF, 0x10, 0x80}},
        {"noBytes", DefaultsValue::Data{}},
        {"folders", std::vector<std::string>{"~/Notes", "/srv/wiki"}},
        {"mixed", DefaultsValue::Array{1, "two", false, DefaultsValue::Array{}}},
        {"offsets",
         DefaultsValue::Dictionary{{"com.example.app", DefaultsValue::Dictionary{{"x", 1.5}, {"y", -2.0}}}}},
        {"tagLike", DefaultsValue::Dictionary{{"$type", "data"}, {"value", "AAAA"}}},
    };
}

bool sameValue(const DefaultsValue& a, const DefaultsValue& b)
{
    // NaN never equals itself; compare kind and NaN-ness instead.
    const auto* x = a.get<double>();
    const auto* y = b.get<double>();
    if (x && y && std::isnan(*x)) {
        return std::isnan(*y);
    }
    return a == b;
}

TEST_F(UserDefaultsTest, EveryKindSurvivesAReloadFromDisk)
{
    const auto values = everyKind();
    {
        UserDefaults defaults(file);
        for (const auto& [key, value] : values) {
            defaults.set(key, value);
        }
    }
    UserDefaults reloaded(file);
    for (const auto& [key, value] : values) {
        const auto read = reloaded.objectForKey(key);
        ASSERT_TRUE(read) << key;
        EXPECT_EQ(read->type(), value.type()) << key;
        EXPECT_TRUE(sameValue(*read, value)) << key;
    }
    EXPECT_EQ(file::permissions(file), mode_t{0600});
}

TEST_F(UserDefaultsTest, FileKeepsPlainJsonKinds)
{
    {
        UserDefaults defaults(file);
        defaults.set("hasCompletedOnboarding", true);
        defaults.set("suggestionsAcceptedCount", 3);
        defaults.set("lastSuccessfulUpdateCheckTimestamp", 1.0);
        defaults.set("knowledgeFolders", std::vector<std::string>{"/a"});
    }
    const auto document = nlohmann::json::parse(readFile(file));
    EXPECT_TRUE(document["hasCompletedOnboarding"].is_boolean());
    EXPECT_TRUE(document["suggestionsAcceptedCount"].is_number_integer());
    EXPECT_TRUE(document["lastSuccessfulUpdateCheckTimestamp"].is_number_float());
    EXPECT_EQ(document["knowledgeFolders"], nlohmann::json::array({"/a"}));
}

TEST_F(UserDefaultsTest, SynchronizeWaitsUntilTheFileHoldsTheLatestValues)
{
    UserDefaults defaults(file);
    for (int i = 1; i <= 50; ++i) {
        defaults.set("keystrokesSavedCount", i);
    }
    defaults.removeObjectForKey("absent");
    defaults.synchronize();
    EXPECT_EQ(UserDefaults(file).integerForKey("keystrokesSavedCount"), 50);

    defaults.removeObjectForKey("keystrokesSavedCount");
    defaults.synchronize();
    EXPECT_FALSE(UserDefaults(file).objectForKey("keystrokesSavedCount"));
}

TEST_F(UserDefaultsTest, HandWrittenFileReadsWithItsJsonKinds)
{
    writeFile(file, R"({"isMCPServerEnabled": true, "n": 2, "d": 2.0, "big": 18446744073709551615})");
    UserDefaults defaults(file);
    EXPECT_EQ(defaults.objectForKey("isMCPServerEnabled")->type(), DefaultsValue::Type::Boolean);
    EXPECT_EQ(defaults.objectForKey("n")->type(), DefaultsValue::Type::Integer);
    EXPECT_EQ(defaults.objectForKey("d")->type(), DefaultsValue::Type::Double);
    EXPECT_EQ(defaults.objectForKey("big")->type(), DefaultsValue::Type::Double);
}

struct ConversionCase {
    const char* title;
    DefaultsValue stored;
    bool asBool;
    std::int64_t asInteger;
    double asDouble;
};

class UserDefaultsConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(UserDefaultsConversion, TypedGettersConvertNumbers)
{
    const auto& c = GetParam();
    UserDefaults defaults{fs::path()};
    defaults.set("key", c.stored);
    EXPECT_EQ(defaults.boolForKey("key"), c.asBool) << c.title;
    EXPECT_EQ(defaults.integerForKey("key"), c.asInteger) << c.title;
    EXPECT_DOUBLE_EQ(defaults.doubleForKey("key"), c.asDouble) << c.title;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserDefaultsConversion,
    ::testing::Values(
        ConversionCase{"true", true, true, 1, 1.0}, ConversionCase{"false", false, false, 0, 0.0},
        ConversionCase{"integer", 7, true, 7, 7.0}, ConversionCase{"zero", 0, false, 0, 0.0},
        ConversionCase{"double truncates toward zero", -2.9, true, -2, -2.9},
        ConversionCase{"tiny double", 0.1, true, 0, 0.1},
        ConversionCase{"huge double clamps", 1e300, true, std::numeric_limits<std::int64_t>::max(), 1e300},
        ConversionCase{"integer text", " 12 ", true, 12, 12.0},
        ConversionCase{"decimal text", "2.5", true, 2, 2.5}, ConversionCase{"word yes", "YES", true, 0, 0.0},
        ConversionCase{"word false", "false", false, 0, 0.0},
        ConversionCase{"partly numeric text", "12abc", false, 0, 0.0},
        ConversionCase{"data", DefaultsValue::Data{1}, false, 0, 0.0},
        ConversionCase{"array", DefaultsValue::Array{1}, false, 0, 0.0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(UserDefaultsTest, NanReadsAsNanDoubleAndZeroInteger)
{
    UserDefaults defaults{fs::path()};
    defaults.set("key", std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(defaults.doubleForKey("key")));
    EXPECT_EQ(defaults.integerForKey("key"), 0);
}

TEST_F(UserDefaultsTest, OtherGettersAnswerOnlyForTheirKind)
{
    UserDefaults defaults{fs::path()};
    defaults.set("text", "hello");
    defaults.set("number", 5);
    defaults.set("strings", std::vector<std::string>{"a", "b"});
    defaults.set("mixed", DefaultsValue::Array{"a", 1});
    defaults.set("dict", DefaultsValue::Dictionary{{"k", 1}});
    defaults.set("bytes", DefaultsValue::Data{9});

    EXPECT_EQ(defaults.stringForKey("text"), "hello");
    EXPECT_FALSE(defaults.stringForKey("number"));
    EXPECT_EQ(defaults.stringArrayForKey("strings"), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(defaults.stringArrayForKey("mixed"));
    EXPECT_EQ(defaults.arrayForKey("mixed")->size(), 2u);
    EXPECT_FALSE(defaults.arrayForKey("dict"));
    EXPECT_EQ(defaults.dictionaryForKey("dict")->count("k"), 1u);
    EXPECT_FALSE(defaults.dictionaryForKey("strings"));
    EXPECT_EQ(defaults.dataForKey("bytes"), DefaultsValue::Data{9});
    EXPECT_FALSE(defaults.dataForKey("text"));
    EXPECT_FALSE(defaults.objectForKey("absent"));
    EXPECT_FALSE(defaults.boolForKey("absent"));
    EXPECT_EQ(defaults.integerForKey("absent"), 0);
}

TEST_F(UserDefaultsTest, RegisteredDefaultsAnswerUntilAValueIsStoredAndAreNeverSaved)
{
    {
        UserDefaults defaults(file);
        defaults.registerDefaults({{"isProactiveEnabled", true}, {"repetitionThresholdGeneral", 3}});
        defaults.registerDefaults({{"repetitionThresholdGeneral", 4}});
        EXPECT_TRUE(defaults.boolForKey("isProactiveEnabled"));
        EXPECT_EQ(defaults.integerForKey("repetitionThresholdGeneral"), 4);

        defaults.set("isProactiveEnabled", false);
        EXPECT_FALSE(defaults.boolForKey("isProactiveEnabled"));
        defaults.removeObjectForKey("isProactiveEnabled");
        EXPECT_TRUE(defaults.boolForKey("isProactiveEnabled"));
        defaults.set("other", 1);
    }
    UserDefaults reloaded(file);
    EXPECT_FALSE(reloaded.objectForKey("isProactiveEnabled"));
    EXPECT_FALSE(reloaded.objectForKey("repetitionThresholdGeneral"));
    EXPECT_EQ(reloaded.integerForKey("other"), 1);
}

struct CorruptCase {
    const char* title;
    const char* content;
};

class UserDefaultsCorrupt : public UserDefaultsTest, public ::testing::WithParamInterface<CorruptCase> {};

TEST_P(UserDefaultsCorrupt, IsMovedAsideNeverOverwritten)
{
    const std::string content = GetParam().content;
    writeFile(file, content);
    writeFile(file.string() + ".corrupt", "an older corrupt file");
    Log::Capture capture;

    UserDefaults defaults(file);
    EXPECT_TRUE(capture.contains("❌ UserDefaults: " + file.string() + " is unreadable")) << GetParam().title;
    EXPECT_FALSE(defaults.objectForKey("kept"));
    EXPECT_TRUE(defaults.isPersisting());
    EXPECT_EQ(readFile(file.string() + ".corrupt-2"), content);
    EXPECT_EQ(readFile(file.string() + ".corrupt"), "an older corrupt file");

    defaults.set("fresh", true);
    defaults.synchronize();
    UserDefaults reloaded(file);
    EXPECT_TRUE(reloaded.boolForKey("fresh"));
    EXPECT_EQ(readFile(file.string() + ".corrupt-2"), content);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserDefaultsCorrupt,
    ::testing::Values(CorruptCase{"truncated JSON", R"({"kept": true, "x": )"}, CorruptCase{"empty file", ""},
                      CorruptCase{"top level array", R"([1, 2])"},
                      CorruptCase{"null value", R"({"kept": true, "x": null})"},
                      CorruptCase{"unknown tag", R"({"kept": {"$type": "date", "value": 1}})"},
                      CorruptCase{"bad Base64", R"({"kept": {"$type": "data", "value": "@@"}})"},
                      CorruptCase{"invalid UTF-8", "{\"kept\": \"\xFF\"}"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(UserDefaultsTest, UnreadableFileIsLeftAloneAndChangesStayInMemory)
{
    fs::create_directories(file);  // a folder where the file should be: reading fails
    Log::Capture capture;
    UserDefaults defaults(file);
    EXPECT_TRUE(capture.contains("❌ UserDefaults: could not read"));
    EXPECT_FALSE(defaults.isPersisting());
    defaults.set("key", 1);
    EXPECT_EQ(defaults.integerForKey("key"), 1);
    EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(UserDefaultsTest, FailedSaveIsLoggedAndKeepsTheValueInMemory)
{
    UserDefaults defaults(file);
    defaults.set("a", 1);
    defaults.synchronize();
    Log::Capture capture;
    defaults.set("bad\xFFkey", 2);  // cannot be written as JSON
    defaults.synchronize();
    EXPECT_TRUE(capture.contains("❌ UserDefaults: could not save"));
    EXPECT_EQ(defaults.integerForKey("bad\xFFkey"), 2);
    UserDefaults reloaded(file);
    EXPECT_EQ(reloaded.integerForKey("a"), 1);
}

TEST_F(UserDefaultsTest, ChangeNotificationOnlyWhenAStoredValueChanges)
{
    NotificationCenter center;
    UserDefaults defaults(file, &center);
    int changes = 0;
    center.addObserver(UserDefaults::kDidChangeNotification, &defaults, [&](const Notification& n) {
        ++changes;
        // The new value is readable from inside the observer.
        EXPECT_EQ(static_cast<const UserDefaults*>(n.object)->objectForKey("isMCPServerEnabled").has_value(),
                  changes == 1 || changes == 2);
    });
    defaults.set("isMCPServerEnabled", true);
    defaults.set("isMCPServerEnabled", true);
    defaults.set("isMCPServerEnabled", false);
    defaults.removeObjectForKey("isMCPServerEnabled");
    defaults.removeObjectForKey("isMCPServerEnabled");
    defaults.registerDefaults({{"isMCPServerEnabled", true}});
    EXPECT_EQ(changes, 3);
}

TEST_F(UserDefaultsTest, ConcurrentWritersAndReadersLoseNothing)
{
    {
        UserDefaults defaults(file);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 25; ++i) {
                    defaults.set("k" + std::to_string(t) + "_" + std::to_string(i), i);
                    (void)defaults.integerForKey("k0_0");
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
    }
    UserDefaults reloaded(file);
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 25; ++i) {
            EXPECT_EQ(reloaded.integerForKey("k" + std::to_string(t) + "_" + std::to_string(i)), i);
        }
    }
}

TEST(UserDefaultsStandardTest, LivesUnderTheConfigHome)
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(UserDefaults::standardFilePath(), fs::path(config) / "com.quillmarker.app" / "defaults.json");
}

}  // namespace
}  // namespace qm
