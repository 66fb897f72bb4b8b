#include "platform/notifications/NotificationCenter.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace qm {
namespace {

int senderA = 0;
int senderB = 0;

struct FilterCase {
    const char* title;
    const char* postedName;
    const void* postedObject;
    std::vector<std::string> expected;
};

class NotificationFiltering : public ::testing::TestWithParam<FilterCase> {};

TEST_P(NotificationFiltering, DeliversByNameAndObjectInRegistrationOrder)
{
    NotificationCenter center;
    std::vector<std::string> heard;
    const auto listen = [&](const char* label) {
        return [&heard, label](const Notification&) { heard.emplace_back(label); };
    };
    center.addObserver("ShowHUDMessage", nullptr, listen("any-1"));
    center.addObserver("ShowHUDMessage", &senderA, listen("from-A"));
    center.addObserver("ShowHUDMessage", &senderB, listen("from-B"));
    center.addObserver("HideSuggestionsOverlay", nullptr, listen("other-name"));
    center.addObserver("ShowHUDMessage", nullptr, listen("any-2"));

    center.post(GetParam().postedName, GetParam().postedObject);
    EXPECT_EQ(heard, GetParam().expected) << GetParam().title;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotificationFiltering,
    ::testing::Values(FilterCase{"no object reaches only the open observers",
                                 "ShowHUDMessage",
                                 nullptr,
                                 {"any-1", "any-2"}},
                      FilterCase{"object A", "ShowHUDMessage", &senderA, {"any-1", "from-A", "any-2"}},
                      FilterCase{"object B", "ShowHUDMessage", &senderB, {"any-1", "from-B", "any-2"}},
                      FilterCase{"other name", "HideSuggestionsOverlay", &senderA, {"other-name"}},
                      FilterCase{"names are exact", "showhudmessage", nullptr, {}}));

TEST(NotificationCenterTest, PassesNameObjectAndUserInfo)
{
    NotificationCenter center;
    std::optional<Notification> received;
    center.addObserver("PresentCaptureFailure", nullptr, [&](const Notification& n) { received = n; });
    center.post("PresentCaptureFailure", &senderA, UserInfo{{"command", "timer"}, {"saved", true}});
    ASSERT_TRUE(received);
    EXPECT_EQ(received->name, "PresentCaptureFailure");
    EXPECT_EQ(received->object, &senderA);
    EXPECT_EQ(received->userInfo.get<std::string>("command"), "timer");
    EXPECT_EQ(received->userInfo.get<bool>("saved"), true);
}

TEST(NotificationCenterTest, RemovalDuringDeliveryTakesEffectAtOnce)
{
    NotificationCenter center;
    std::vector<std::string> heard;
    NotificationCenter::ObserverToken self;
    NotificationCenter::ObserverToken later;
    center.addObserver("N", nullptr, [&](const Notification&) {
        heard.emplace_back("first");
        center.removeObserver(later);
    });
    self = center.addObserver("N", nullptr, [&](const Notification&) {
        heard.emplace_back("self");
        center.removeObserver(self);
        center.addObserver("N", nullptr, [&](const Notification&) { heard.emplace_back("added"); });
    });
    later = center.addObserver("N", nullptr, [&](const Notification&) { heard.emplace_back("later"); });

    center.post("N");
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "self"}));
    heard.clear();
    center.post("N");
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "added"}));
    EXPECT_EQ(center.observerCount("N"), 2u);

    center.removeObserver(self);  // twice: harmless
    center.removeObserver(NotificationCenter::ObserverToken());
    EXPECT_EQ(center.observerCount("N"), 2u);
}

TEST(NotificationCenterTest, TokensOfOneCentreDoNotRemoveFromAnother)
{
    NotificationCenter first;
    NotificationCenter second;
    int heard = 0;
    const auto token = first.addObserver("N", nullptr, [&](const Notification&) { ++heard; });
    second.addObserver("N", nullptr, [&](const Notification&) { ++heard; });
    second.removeObserver(token);
    first.post("N");
    second.post("N");
    EXPECT_EQ(heard, 2);
}

TEST(NotificationCenterTest, ObserversDeliverOnThePostersThreadWhileOthersRegister)
{
    NotificationCenter center;
    std::atomic<int> delivered{0};
    std::atomic<int> wrongThread{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                const auto poster = std::this_thread::get_id();
                auto token = center.addObserver("Tick", &poster, [&, poster](const Notification&) {
                    ++delivered;
                    if (std::this_thread::get_id() != poster) {
                        ++wrongThread;
                    }
                });
                center.post("Tick", &poster);
                center.removeObserver(token);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(delivered.load(), 800);
    EXPECT_EQ(wrongThread.load(), 0);
    EXPECT_EQ(center.observerCount("Tick"), 0u);
}

}  // namespace
}  // namespace qm
