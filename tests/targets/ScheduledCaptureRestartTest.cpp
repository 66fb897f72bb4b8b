#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <gtest/gtest.h>

#include "base/Calendar.h"
#include "platform/linux/notifications/DBusUserNotificationCenter.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "records/CaptureAnnouncer.h"
#include "support/FakeNotificationServer.h"
#include "support/PrivateSessionBus.h"
#include "support/QtTestApplication.h"
#include "support/TempDir.h"
#include "targets/AlarmTarget.h"
#include "targets/NotificationScheduler.h"
#include "targets/OffMainSend.h"
#include "targets/TimeZoneScope.h"
#include "targets/TimerCompletionFallback.h"
#include "targets/TimerTarget.h"

namespace qm::test {
namespace {

using namespace std::chrono_literals;

class RecordedReceipts final : public CaptureAnnouncer {
public:
    void announce(const std::string&, const std::string&, const std::string& receipt,
                  const std::optional<std::string>&, const std::optional<std::string>&, bool) override
    {
        receipts.push_back(receipt);
    }
    std::vector<std::string> receipts;
};

// One launch of the program as far as timers and alarms go: the freedesktop
// centre with the persisted schedule, the scheduler and the two targets.
struct Launch {
    Launch(SimMainLoop& loop, SimClock& clock, QDBusConnection bus, const std::filesystem::path& scheduleFile)
        : center(loop, clock, bus,
                 DBusUserNotificationCenter::Configuration{"Quillmarker", scheduleFile, {}, 2000}),
          fallback(loop, clock, notifications, {}),
          scheduler(center, loop, clock, notifications, fallback, [] {}),
          timer(scheduler, loop, receipts, shutdown), alarm(scheduler, loop, clock, receipts, shutdown)
    {
    }
    ~Launch() { shutdown.cancel(); }

    NotificationCenter notifications;
    DBusUserNotificationCenter center;
    TimerCompletionFallback fallback;
    NotificationScheduler scheduler;
    RecordedReceipts receipts;
    CancellationToken shutdown;
    TimerTarget timer;
    AlarmTarget alarm;
};

// Timers and alarms over the session bus: they outlive the program and come
// once, also when their time passed while it was off.
class ScheduledCaptureRestartTest : public ::testing::Test {
protected:
    std::unique_ptr<Launch> launch()
    {
        return std::make_unique<Launch>(loop, clock, bus.connect(), scheduleFile);
    }

    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5000ms)
    {
        return pumpQtUntil(
            [&] {
                loop.runUntilIdle();
                return done();
            },
            timeout);
    }
    void settle()
    {
        pumpUntil([] { return false; }, 150ms);
    }

    // A send on its own thread, as the background queue makes it, while this
    // thread runs the main loop and the bus.
    std::string send(CaptureTarget& target, const std::string& text)
    {
        std::atomic<bool> done{false};
        std::exception_ptr error;
        std::thread worker([&] {
            try {
                target.send(text, std::nullopt);
            } catch (...) {
                error = std::current_exception();
            }
            done = true;
        });
        EXPECT_TRUE(pumpUntil([&] { return done.load(); }));
        worker.join();
        return failureText(error);
    }

    std::vector<PendingScheduledCapture> pending(Launch& app)
    {
        std::optional<std::vector<PendingScheduledCapture>> listed;
        app.scheduler.listPendingCaptures([&](auto captures) { listed = captures; });
        EXPECT_TRUE(pumpUntil([&] { return listed.has_value(); }));
        return listed.value_or(std::vector<PendingScheduledCapture>{});
    }

    std::vector<std::string> shown() const
    {
        std::vector<std::string> result;
        for (const auto& call : server.notifyCalls()) {
            result.push_back(call.summary.toStdString() + ": " + call.body.toStdString());
        }
        return result;
    }

    TimeZoneScope zone{"America/New_York"};
    QApplication& application = qtApplication();
    PrivateSessionBus bus;
    FakeNotificationServer server{bus};
    TempDir folder;
    std::filesystem::path scheduleFile = folder / "data" / "notification-schedule.json";
    SimClock clock;  // 2023-11-14 17:13:20 in New York
    SimMainLoop loop{clock};
};

TEST_F(ScheduledCaptureRestartTest, TimersAndAlarmsSurviveARestartAndFireOnce)
{
    auto app = launch();
    ASSERT_EQ(send(app->timer, "25m tea"), "<none>");
    ASSERT_EQ(send(app->alarm, "7:30am take meds"), "<none>");
    const double alarmTime =
        *Calendar::current().date({.year = 2023, .month = 11, .day = 15, .hour = 7, .minute = 30});
    auto listed = pending(*app);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].fireDate, clock.now() + 1500);
    EXPECT_EQ(listed[1].fireDate, alarmTime);

    app.reset();  // the program quits for ten minutes
    clock.advance(600);
    app = launch();
    listed = pending(*app);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].subtitle, "tea");
    EXPECT_EQ(listed[0].kind, PendingScheduledCapture::Kind::timer);
    EXPECT_EQ(listed[1].subtitle, "take meds");
    settle();
    EXPECT_TRUE(server.notifyCalls().empty());

    loop.advance(900);
    ASSERT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 1; }));
    EXPECT_EQ(shown(), std::vector<std::string>{"Timer finished: tea"});
    EXPECT_EQ(pending(*app).size(), 1u);

    // Another restart: the timer is gone for good, the alarm still waits.
    app.reset();
    app = launch();
    settle();
    EXPECT_EQ(server.notifyCalls().size(), 1u);
    listed = pending(*app);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].kind, PendingScheduledCapture::Kind::alarm);

    // The program is off at 07:30: the alarm comes once, right after the next start.
    app.reset();
    clock.set(alarmTime + 3600);
    app = launch();
    ASSERT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 2; }));
    EXPECT_EQ(shown().back(), "Alarm: take meds");
    EXPECT_TRUE(pending(*app).empty());

    app.reset();
    app = launch();
    loop.advance(86400);
    settle();
    EXPECT_EQ(server.notifyCalls().size(), 2u);
}

}  // namespace
}  // namespace qm::test
