#include "platform/linux/notifications/NotificationScheduleFile.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "base/FileUtil.h"
#include "base/Log.h"
#include "support/TempDir.h"

namespace qm {
namespace {

using Entry = NotificationScheduleFile::Entry;

Entry timerEntry(std::string identifier, double registeredAt, double interval)
{
    Entry entry;
    entry.request.identifier = std::move(identifier);
    entry.request.content.title = "Timer finished";
    entry.request.content.body = "tea";
    entry.request.content.categoryIdentifier = "QUILLMRKER_TIMER";
    entry.request.trigger = NotificationTrigger::timeInterval(interval, false);
    entry.request.trigger->setRegisteredAt(registeredAt);
    entry.fireAt = registeredAt + interval;
    return entry;
}

class NotificationScheduleFileTest : public ::testing::Test {
protected:
    test::TempDir folder;
    std::filesystem::path file = folder / "data" / "notification-schedule.json";
};

TEST_F(NotificationScheduleFileTest, KeepsEveryPartOfARequest)
{
    Entry timer = timerEntry("timer-1", 1'700'000'000.5, 90);
    timer.request.content.sound = std::string(NotificationContent::defaultSound);
    UserInfo nested{{"inner", "x"}};
    timer.request.content.userInfo = UserInfo{{"flag", false},
                                              {"count", -7},
                                              {"qm_fireAt", 1'700'000'090.5},
                                              {"whole", 3.0},
                                              {"text", "tea & \"biscuits\" ☕"},
                                              {"list", std::vector<std::string>{"a", ""}},
                                              {"nested", nested}};

    Entry alarm;
    alarm.request.identifier = "alarm-1";
    alarm.request.content.title = "Alarm";
    alarm.request.content.categoryIdentifier = "QUILLMRKER_ALARM";
    NotificationTrigger::DateMatch match{.year = 2030, .month = 2, .day = 28, .hour = 7, .minute = 30};
    match.timeZoneId = "Europe/Berlin";
    alarm.request.trigger = NotificationTrigger::calendar(match, true);
    alarm.request.trigger->setRegisteredAt(1'700'000'000);
    alarm.fireAt = std::nullopt;

    ASSERT_FALSE(NotificationScheduleFile::save(file, {timer, alarm}));
    EXPECT_EQ(file::permissions(file), mode_t{0600});
    EXPECT_EQ(file::permissions(file.parent_path()), mode_t{0700});

    const auto loaded = NotificationScheduleFile::load(file);
    ASSERT_EQ(loaded.size(), 2u);
    const auto& first = loaded[0].request;
    EXPECT_EQ(first.identifier, "timer-1");
    EXPECT_EQ(first.content.title, "Timer finished");
    EXPECT_EQ(first.content.body, "tea");
    EXPECT_EQ(first.content.sound, "default");
    EXPECT_EQ(first.content.categoryIdentifier, "QUILLMRKER_TIMER");
    EXPECT_EQ(first.trigger->kind(), NotificationTrigger::Kind::timeInterval);
    EXPECT_EQ(first.trigger->timeInterval(), 90);
    EXPECT_FALSE(first.trigger->repeats());
    EXPECT_EQ(first.trigger->registeredAt(), 1'700'000'000.5);
    EXPECT_EQ(loaded[0].fireAt, 1'700'000'090.5);
    const UserInfo& info = first.content.userInfo;
    EXPECT_EQ(info.get<bool>("flag"), false);
    EXPECT_EQ(info.get<int>("count"), -7);
    EXPECT_EQ(info.get<double>("qm_fireAt"), 1'700'000'090.5);
    EXPECT_EQ(info.get<double>("whole"), 3.0) << "a whole double must stay a double";
    EXPECT_EQ(info.get<std::string>("text"), "tea & \"biscuits\" ☕");
    EXPECT_EQ(info.get<std::vector<std::string>>("list"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(info.get<UserInfo>("nested")->get<std::string>("inner"), "x");

    const auto& second = loaded[1].request;
    EXPECT_EQ(second.content.sound, std::nullopt);
    EXPECT_EQ(second.trigger->kind(), NotificationTrigger::Kind::calendar);
    EXPECT_TRUE(second.trigger->repeats());
    EXPECT_EQ(second.trigger->dateComponents(), match);
    EXPECT_EQ(loaded[1].fireAt, std::nullopt);
}

TEST_F(NotificationScheduleFileTest, NoFileIsAnEmptySchedule)
{
    Log::Capture log;
    EXPECT_TRUE(NotificationScheduleFile::load(file).empty());
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(NotificationScheduleFileTest, UnreadableRequestsAreSetAsideAndTheRestStays)
{
    ASSERT_FALSE(NotificationScheduleFile::save(file, {timerEntry("good", 1'700'000'000, 60)}));
    std::error_code error;
    auto text = *file::readAll(file, error);
    const std::string good = text.substr(text.find("[") + 1, text.rfind("]") - text.find("[") - 1);
    std::ofstream(file) << R"({"version": 1, "requests": [)" << good << R"(,
        {"identifier": "no trigger"},
        {"identifier": "bad interval", "trigger": {"kind": "timeInterval", "interval": -5, "repeats": false}},
        {"identifier": "bad zone", "trigger": {"kind": "calendar", "repeats": false,
                                               "match": {"hour": 7, "timeZone": "Mars/Olympus"}}},
        {"identifier": "odd kind", "trigger": {"kind": "location", "repeats": false}},
        42]})";

    Log::Capture log;
    const auto loaded = NotificationScheduleFile::load(file);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].request.identifier, "good");
    EXPECT_TRUE(log.contains("❌ NotificationSchedule: the schedule holds requests that cannot be read"));

    // The original is kept for the user, the readable request stays scheduled.
    std::error_code readError;
    const auto aside = file::readAll(file.string() + ".corrupt", readError);
    ASSERT_TRUE(aside.has_value());
    EXPECT_NE(aside->find("Mars/Olympus"), std::string::npos);
    const auto reloaded = NotificationScheduleFile::load(file);
    ASSERT_EQ(reloaded.size(), 1u);
    EXPECT_EQ(reloaded[0].request.identifier, "good");
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".corrupt-2"));
}

}  // namespace
}  // namespace qm
