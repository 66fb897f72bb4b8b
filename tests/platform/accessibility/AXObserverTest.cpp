#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXNotification.h"
#include "platform/desktop/DesktopFixture.h"

namespace qm::test {
namespace {

struct Heard {
    AXUIElement element;
    std::string notification;

    friend bool operator==(const Heard&, const Heard&) = default;
};

std::ostream& operator<<(std::ostream& out, const Heard& heard)
{
    return out << heard.notification << " @" << heard.element.token();
}

const std::string focusChanged(AXNotification::focusedUIElementChanged);
const std::string selectionChanged(AXNotification::selectedTextChanged);
const std::string valueChanged(AXNotification::valueChanged);

class AXObserverTest : public DesktopFixture {
protected:
    std::shared_ptr<AXObserver> observe(const SimApplication& app, const std::vector<std::string>& names)
    {
        std::shared_ptr<AXObserver> observer;
        EXPECT_EQ(desktop.accessibility().createObserver(
                      app.pid(),
                      [this](const AXUIElement& element, std::string_view name) {
                          heard.push_back({element, std::string(name)});
                          if (!loop.isMainThread()) {
                              ++offMainThread;
                          }
                      },
                      observer),
                  AXError::success);
        for (const std::string& name : names) {
            EXPECT_EQ(observer->addNotification(app.axElement(), name), AXError::success);
        }
        observer->addToMainLoop();
        return observer;
    }

    std::vector<Heard> takeHeard()
    {
        loop.runUntilIdle();
        return std::exchange(heard, {});
    }

    std::vector<Heard> heard;
    int offMainThread = 0;
};

TEST_F(AXObserverTest, FocusChangeIsHeardOnTheMainLoopOnlyOnceItRuns)
{
    const auto observer = observe(editor, {focusChanged, selectionChanged});
    area.focus();
    EXPECT_TRUE(heard.empty());
    loop.runUntilIdle();
    EXPECT_EQ(heard, (std::vector<Heard>{{area.axElement(), focusChanged}}));
    EXPECT_EQ(offMainThread, 0);
}

enum class Who { line, area, menu };

struct ChangeCase {
    const char* what;
    std::function<void()> change;
    std::vector<std::pair<Who, std::string>> expected;
};

TEST_F(AXObserverTest, EachKindOfChangeNotifiesAsThePlatformDoes)
{
    line.setValue("hello");
    const auto observer = observe(editor, {focusChanged, selectionChanged, valueChanged});
    const AXUIElement field = line.axElement();
    SimElement menu;
    const auto write = [&](std::string_view attribute, AXValue value) {
        field.setAttributeValue(attribute, std::move(value));
    };
    const std::vector<ChangeCase> cases{
        {"click into the other field", [&] { area.focus(); }, {{Who::area, focusChanged}}},
        {"click back", [&] { line.focus(); }, {{Who::line, focusChanged}}},
        {"focus the focused field again", [&] { line.focus(); }, {}},
        {"select with the mouse",
         [&] {
             line.select({1, 2});
         },
         {{Who::line, selectionChanged}}},
        {"arrow key", [&] { desktop.keyboard().press("Left"); }, {{Who::line, selectionChanged}}},
        {"typing",
         [&] { desktop.keyboard().type("x"); },
         {{Who::line, valueChanged}, {Who::line, selectionChanged}}},
        {"select all", [&] { desktop.keyboard().press("cmd+a"); }, {{Who::line, selectionChanged}}},
        {"range write",
         [&] {
             write(AXAttribute::selectedTextRange, AXValue::range({0, 0}));
         },
         {{Who::line, selectionChanged}}},
        {"same range again",
         [&] {
             write(AXAttribute::selectedTextRange, AXValue::range({0, 0}));
         },
         {}},
        {"selected-text write",
         [&] { write(AXAttribute::selectedText, AXValue::string("Z")); },
         {{Who::line, valueChanged}, {Who::line, selectionChanged}}},
        {"value write",
         [&] { write(AXAttribute::value, AXValue::string("new")); },
         {{Who::line, valueChanged}, {Who::line, selectionChanged}}},
        {"a menu opens",
         [&] {
             menu = editor.openMenu({"One", "Two"}, Rect(100, 130, 100, 44));
         },
         {{Who::menu, focusChanged}}},
        {"Escape closes it", [&] { desktop.keyboard().press("Esc"); }, {{Who::line, focusChanged}}},
        {"a refused write",
         [&] {
             line.refuseWrites();
             write(AXAttribute::value, AXValue::string("no"));
         },
         {}},
    };
    const auto element = [&](Who who) {
        return who == Who::line ? field : who == Who::area ? area.axElement() : menu.axElement();
    };
    takeHeard();
    for (const ChangeCase& c : cases) {
        c.change();
        EXPECT_TRUE(heard.empty()) << c.what << ": heard before the main loop ran";
        std::vector<Heard> expected;
        for (const auto& [who, name] : c.expected) {
            expected.push_back({element(who), name});
        }
        EXPECT_EQ(takeHeard(), expected) << c.what;
    }
}

TEST_F(AXObserverTest, RegistrationOnOneElementHearsOnlyThatElement)
{
    std::shared_ptr<AXObserver> observer;
    ASSERT_EQ(desktop.accessibility().createObserver(
                  editor.pid(),
                  [this](const AXUIElement& element, std::string_view name) {
                      heard.push_back({element, std::string(name)});
                  },
                  observer),
              AXError::success);
    ASSERT_EQ(observer->addNotification(area.axElement(), selectionChanged), AXError::success);
    observer->addToMainLoop();
    line.select({0, 0});
    line.setValue("abc");
    area.setValue("xyz");
    EXPECT_EQ(takeHeard(), (std::vector<Heard>{{area.axElement(), selectionChanged}}));
}

TEST_F(AXObserverTest, CallbacksStopOffTheMainLoopOnceDroppedAndForQuitApplications)
{
    auto observer = observe(editor, {focusChanged});
    observer->removeFromMainLoop();
    area.focus();
    EXPECT_TRUE(takeHeard().empty());

    observer->addToMainLoop();
    line.focus();
    observer->removeFromMainLoop();  // already queued: dropped all the same
    EXPECT_TRUE(takeHeard().empty());

    observer->addToMainLoop();
    area.focus();
    observer.reset();
    EXPECT_TRUE(takeHeard().empty());

    observer = observe(editor, {focusChanged});
    line.focus();
    editor.terminate();
    EXPECT_TRUE(takeHeard().empty());
}

TEST_F(AXObserverTest, ObserverHearsItsOwnApplicationWhetherInFrontOrNot)
{
    SimApplication other = desktop.addApplication("com.example.other", "Other");
    SimElement otherWindow = other.addWindow("Other");
    SimTextField first = otherWindow.addTextField({});
    SimTextField second = otherWindow.addTextField({});
    first.focus();
    const auto observer = observe(other, {focusChanged});
    takeHeard();
    area.focus();    // the frontmost application: not observed
    second.focus();  // the observed one, in the background
    EXPECT_EQ(takeHeard(), (std::vector<Heard>{{second.axElement(), focusChanged}}));
}

TEST_F(AXObserverTest, RegistrationErrorsUseThePlatformsCodes)
{
    SimApplication other = desktop.addApplication("com.example.other", "Other");
    std::shared_ptr<AXObserver> observer;
    EXPECT_EQ(desktop.accessibility().createObserver(0, {}, observer), AXError::illegalArgument);
    EXPECT_EQ(desktop.accessibility().createObserver(424242, {}, observer), AXError::cannotComplete);
    EXPECT_EQ(observer, nullptr);
    ASSERT_EQ(desktop.accessibility().createObserver(editor.pid(), {}, observer), AXError::success);
    EXPECT_EQ(observer->pid(), editor.pid());

    EXPECT_EQ(observer->addNotification(other.axElement(), focusChanged), AXError::illegalArgument);
    EXPECT_EQ(observer->addNotification(desktop.accessibility().systemWideElement(), focusChanged),
              AXError::illegalArgument);
    EXPECT_EQ(observer->addNotification(AXUIElement(), focusChanged), AXError::illegalArgument);
    EXPECT_EQ(observer->addNotification(editor.axElement(), "AXWindowMoved"),
              AXError::notificationUnsupported);
    EXPECT_EQ(observer->addNotification(editor.axElement(), focusChanged), AXError::success);
    EXPECT_EQ(observer->addNotification(editor.axElement(), focusChanged),
              AXError::notificationAlreadyRegistered);
    EXPECT_EQ(observer->removeNotification(editor.axElement(), focusChanged), AXError::success);
    EXPECT_EQ(observer->removeNotification(editor.axElement(), focusChanged),
              AXError::notificationNotRegistered);

    const AXUIElement gone = line.axElement();
    line.remove();
    EXPECT_EQ(observer->addNotification(gone, selectionChanged), AXError::invalidUIElement);
}

TEST_F(AXObserverTest, ChangesMadeOnAnotherThreadAreHeardOnTheMainThreadInOrder)
{
    const auto observer = observe(editor, {valueChanged});
    std::thread typist([&] { desktop.keyboard().type("abc"); });
    typist.join();
    const auto got = takeHeard();
    EXPECT_EQ(got.size(), 3u);
    EXPECT_EQ(offMainThread, 0);
    EXPECT_EQ(line.value(), "abc");
}

}  // namespace
}  // namespace qm::test
