#include "platform/eventstore/EventStore.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"

#include <set>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

using Entity = EventStoreEntityType;
using Status = EventStoreAuthorizationStatus;

const EventStoreCalendar kWork{"cal-work", "Work", Entity::event, true};
const EventStoreCalendar kHolidays{"cal-holidays", "Holidays", Entity::event, false};
const EventStoreCalendar kInbox{"list-inbox", "Inbox", Entity::reminder, true};

class EventStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        backend->addCalendar(kWork);
        backend->addCalendar(kHolidays);
        backend->addCalendar(kInbox);
        backend->setDefaultCalendar(Entity::event, kWork.identifier);
        backend->setDefaultCalendar(Entity::reminder, kInbox.identifier);
    }

    struct Answer {
        bool granted = false;
        std::optional<PlatformError> error;
    };

    // Runs a request and the main loop, and returns the one answer it gave.
    template <class Request> std::optional<Answer> answer(Request request)
    {
        std::optional<Answer> result;
        int calls = 0;
        request([&](bool granted, std::optional<PlatformError> error) {
            ++calls;
            result = Answer{granted, std::move(error)};
        });
        EXPECT_FALSE(result) << "access completions come later, on the main loop";
        loop.runUntilIdle();
        EXPECT_EQ(calls, 1);
        return result;
    }

    static CalendarEvent event(std::optional<EventStoreCalendar> calendar, std::optional<double> start,
                               std::optional<double> end)
    {
        CalendarEvent result;
        result.calendar = std::move(calendar);
        result.title = "standup";
        result.startDate = start;
        result.endDate = end;
        return result;
    }

    SimClock clock;
    SimMainLoop loop{clock};
    std::shared_ptr<SimEventStoreBackend> backend = std::make_shared<SimEventStoreBackend>(loop);
    std::unique_ptr<EventStore> store = backend->makeStore();
};

TEST_F(EventStoreTest, FullAccessRequestsFollowTheUsersDecisions)
{
    struct Case {
        const char* what;
        Entity type;
        Status initial;
        std::optional<bool> answer;  // the prompt's answer, when one is shown
        bool granted;
        Status after;
    };
    const Case cases[] = {
        {"reminders asked for the first time, allowed", Entity::reminder, Status::notDetermined, true, true,
         Status::fullAccess},
        {"reminders asked for the first time, refused", Entity::reminder, Status::notDetermined, false, false,
         Status::denied},
        {"reminders refused before", Entity::reminder, Status::denied, std::nullopt, false, Status::denied},
        {"reminders restricted by policy", Entity::reminder, Status::restricted, std::nullopt, false,
         Status::restricted},
        {"calendars granted before", Entity::event, Status::fullAccess, std::nullopt, true,
         Status::fullAccess},
        {"write-only calendars raised to full access", Entity::event, Status::writeOnly, true, true,
         Status::fullAccess},
        {"write-only calendars kept when the upgrade is refused", Entity::event, Status::writeOnly, false,
         false, Status::writeOnly},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto fresh = std::make_shared<SimEventStoreBackend>(loop);
        fresh->setAuthorizationStatus(c.type, c.initial);
        if (c.answer) {
            fresh->answerNextAccessPrompt(c.type, *c.answer);
        }
        auto freshStore = fresh->makeStore();
        const auto result = answer([&](EventStore::AccessCompletion done) {
            if (c.type == Entity::event) {
                freshStore->requestFullAccessToEvents(std::move(done));
            } else {
                freshStore->requestFullAccessToReminders(std::move(done));
            }
        });
        ASSERT_TRUE(result);
        EXPECT_EQ(result->granted, c.granted);
        EXPECT_FALSE(result->error);
        EXPECT_EQ(freshStore->authorizationStatus(c.type), c.after);
        EXPECT_EQ(fresh->accessPrompts().size(), c.answer ? 1u : 0u);
    }
}

TEST_F(EventStoreTest, SystemsBeforeMacOS14OnlyKnowThePlainRequest)
{
    backend->setSupportsFullAccessRequests(false);
    EXPECT_FALSE(store->supportsFullAccessRequests());
    EXPECT_THROW(store->requestFullAccessToEvents({}), std::logic_error);

    backend->answerNextAccessPrompt(Entity::event, true);
    const auto result = answer([&](auto done) { store->requestAccess(Entity::event, std::move(done)); });
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->granted);
    EXPECT_EQ(static_cast<int>(store->authorizationStatus(Entity::event)), 3) << "\"authorized\"";
}

TEST_F(EventStoreTest, APromptWithoutAScriptedAnswerFailsAtOnce)
{
    EXPECT_THROW(store->requestFullAccessToReminders({}), std::logic_error);
}

TEST_F(EventStoreTest, AFailedAccessRequestPassesItsErrorOn)
{
    backend->failNextAccessRequest(Entity::reminder, PlatformError("EKErrorDomain", 5, "Internal failure"));
    const auto result = answer([&](auto done) { store->requestFullAccessToReminders(std::move(done)); });
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->granted);
    ASSERT_TRUE(result->error);
    EXPECT_EQ(result->error->localizedDescription(), "Internal failure");
    EXPECT_TRUE(backend->accessPrompts().empty());
}

TEST_F(EventStoreTest, WriteOnlyAccessAddsEventsButReadsNone)
{
    backend->setAuthorizationStatus(Entity::event, Status::writeOnly);
    const auto calendar = store->defaultCalendarForNewEvents();
    ASSERT_EQ(calendar, kWork);
    auto item = event(calendar, clock.now(), clock.now() + 3600);
    EXPECT_FALSE(store->saveEvent(item));
    EXPECT_FALSE(item.eventIdentifier.empty());
    EXPECT_EQ(backend->events().size(), 1u);
    EXPECT_TRUE(store->fetchEvents(clock.now() - 10, clock.now() + 10).empty());

    backend->setAuthorizationStatus(Entity::event, Status::fullAccess);
    EXPECT_EQ(store->fetchEvents(clock.now() - 10, clock.now() + 10).size(), 1u);
}

TEST_F(EventStoreTest, DefaultCalendarsNeedAccessAndAConfiguredDefault)
{
    EXPECT_EQ(store->defaultCalendarForNewReminders(), std::nullopt) << "no access yet";
    backend->setAuthorizationStatus(Entity::reminder, Status::fullAccess);
    EXPECT_EQ(store->defaultCalendarForNewReminders(), kInbox);
    backend->setDefaultCalendar(Entity::reminder, std::nullopt);
    EXPECT_EQ(store->defaultCalendarForNewReminders(), std::nullopt);

    backend->setAuthorizationStatus(Entity::event, Status::fullAccess);
    backend->setDefaultCalendar(Entity::event, kInbox.identifier);
    EXPECT_EQ(store->defaultCalendarForNewEvents(), std::nullopt)
        << "a reminders list is no calendar for events";
}

TEST_F(EventStoreTest, EventsThatCannotBeSavedNameTheReason)
{
    backend->setAuthorizationStatus(Entity::event, Status::fullAccess);
    const double now = clock.now();
    const EventStoreCalendar unknown{"cal-gone", "Gone", Entity::event, true};
    struct Case {
        const char* what;
        CalendarEvent item;
        long code;
    };
    const Case cases[] = {
        {"no calendar", event(std::nullopt, now, now + 1), EventStore::errorNoCalendar},
        {"a calendar the store does not have", event(unknown, now, now + 1), EventStore::errorNoCalendar},
        {"a reminders list", event(kInbox, now, now + 1), EventStore::errorCalendarDoesNotAllowEvents},
        {"a read-only calendar", event(kHolidays, now, now + 1), EventStore::errorCalendarReadOnly},
        {"no start", event(kWork, std::nullopt, now + 1), EventStore::errorNoStartDate},
        {"no end", event(kWork, now, std::nullopt), EventStore::errorNoEndDate},
        {"an end before the start", event(kWork, now, now - 1), EventStore::errorDatesInverted},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.what);
        const auto error = store->saveEvent(c.item);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain(), "EKErrorDomain");
        EXPECT_EQ(error->code(), c.code);
        EXPECT_FALSE(error->localizedDescription().empty());
    }
    EXPECT_TRUE(backend->events().empty());

    backend->setAuthorizationStatus(Entity::event, Status::denied);
    auto allowedOtherwise = event(kWork, now, now + 1);
    const auto error = store->saveEvent(allowedOtherwise);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), EventStore::errorEventStoreNotAuthorized);
}

TEST_F(EventStoreTest, ARemindersLifeFromSaveToFetch)
{
    backend->setAuthorizationStatus(Entity::reminder, Status::fullAccess);
    Reminder reminder;
    reminder.calendar = store->defaultCalendarForNewReminders();
    reminder.title = "take meds";
    reminder.dueDateComponents =
        DateComponents{.year = 2023, .month = 11, .day = 15, .hour = 7, .minute = 30};
    reminder.alarms = {EventStoreAlarm{1'700'033'400.0}};
    reminder.notes = "with water";
    ASSERT_FALSE(store->saveReminder(reminder));
    ASSERT_FALSE(reminder.calendarItemIdentifier.empty());

    reminder.title = "take meds now";
    ASSERT_FALSE(store->saveReminder(reminder)) << "saving again updates it";
    const auto fetched = backend->makeStore()->fetchReminders();
    ASSERT_EQ(fetched.size(), 1u) << "every store sees the same data";
    EXPECT_EQ(fetched[0], reminder);

    Reminder homeless;
    homeless.title = "no list";
    const auto error = store->saveReminder(homeless);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), EventStore::errorNoCalendar);

    Reminder onCalendar = reminder;
    onCalendar.calendarItemIdentifier.clear();
    onCalendar.calendar = kWork;
    const auto wrongKind = store->saveReminder(onCalendar);
    ASSERT_TRUE(wrongKind);
    EXPECT_EQ(wrongKind->code(), EventStore::errorCalendarDoesNotAllowReminders);
    EXPECT_EQ(backend->reminders().size(), 1u);
}

TEST_F(EventStoreTest, AScriptedSaveFailureStoresNothing)
{
    backend->setAuthorizationStatus(Entity::reminder, Status::fullAccess);
    backend->failNextSave(
        PlatformError("EKErrorDomain", EventStore::errorInternalFailure, "The disk is full."));
    Reminder reminder;
    reminder.calendar = kInbox;
    reminder.title = "pay rent";
    const auto error = store->saveReminder(reminder);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "The disk is full.");
    EXPECT_TRUE(backend->reminders().empty());
    EXPECT_FALSE(store->saveReminder(reminder)) << "only the next save fails";
}

TEST_F(EventStoreTest, FetchedEventsOverlapTheRangeInStartOrder)
{
    backend->setAuthorizationStatus(Entity::event, Status::fullAccess);
    const double t = clock.now();
    for (auto [start, end] : {std::pair{t + 200, t + 300}, {t, t + 100}, {t + 500, t + 600}}) {
        auto item = event(kWork, start, end);
        ASSERT_FALSE(store->saveEvent(item));
    }
    const auto fetched = store->fetchEvents(t + 50, t + 500);
    ASSERT_EQ(fetched.size(), 2u);
    EXPECT_EQ(fetched[0].startDate, t);
    EXPECT_EQ(fetched[1].startDate, t + 200);
}

TEST_F(EventStoreTest, StoresOnSeveralThreadsSaveEveryReminderOnce)
{
    backend->setAuthorizationStatus(Entity::reminder, Status::fullAccess);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([this] {
            auto own = backend->makeStore();
            for (int i = 0; i < 25; ++i) {
                Reminder reminder;
                reminder.calendar = own->defaultCalendarForNewReminders();
                reminder.title = "item";
                EXPECT_FALSE(own->saveReminder(reminder));
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    std::set<std::string> identifiers;
    for (const auto& reminder : backend->reminders()) {
        identifiers.insert(reminder.calendarItemIdentifier);
    }
    EXPECT_EQ(identifiers.size(), 100u);
}

TEST(EventStoreFactoryTest, FactoryMakesStoresOfItsBackendAndFailsClearlyOnceItIsGone)
{
    SimClock clock;
    SimMainLoop loop(clock);
    auto backend = std::make_shared<SimEventStoreBackend>(loop);
    backend->setAuthorizationStatus(EventStoreEntityType::reminder,
                                    EventStoreAuthorizationStatus::fullAccess);
    const EventStore::Factory factory = backend->factory();
    EXPECT_EQ(factory()->authorizationStatus(EventStoreEntityType::reminder),
              EventStoreAuthorizationStatus::fullAccess);

    backend.reset();
    EXPECT_THROW(factory(), std::logic_error) << "the factory must not outlive its backend silently";
}

}  // namespace
}  // namespace qm
