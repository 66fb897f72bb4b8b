#include <functional>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXRole.h"
#include "platform/desktop/DesktopFixture.h"

namespace qm::test {
namespace {

using AccessibilityTest = DesktopFixture;

TEST_F(AccessibilityTest, SystemWideFocusIsTheFrontmostApplicationsFocusedElement)
{
    const AXUIElement systemWide = desktop.accessibility().systemWideElement();
    EXPECT_EQ(focusedElement(), line.axElement());
    EXPECT_EQ(read(systemWide, AXAttribute::focusedApplication).asElement(), editor.axElement());
    EXPECT_EQ(read(editor.axElement(), AXAttribute::focusedUIElement).asElement(), line.axElement());

    area.focus();
    EXPECT_EQ(focusedElement(), area.axElement());

    // Another application in front, with nothing focused.
    SimApplication viewer = desktop.addApplication("com.example.viewer", "Viewer");
    viewer.addWindow("Photo");
    viewer.activate();
    EXPECT_EQ(readError(systemWide, AXAttribute::focusedUIElement), AXError::noValue);
    EXPECT_EQ(read(systemWide, AXAttribute::focusedApplication).asElement(), viewer.axElement());

    viewer.terminate();  // nothing in front
    EXPECT_EQ(readError(systemWide, AXAttribute::focusedUIElement), AXError::noValue);
    EXPECT_EQ(readError(systemWide, AXAttribute::focusedApplication), AXError::noValue);
    EXPECT_EQ(readError(systemWide, AXAttribute::title), AXError::attributeUnsupported);
}

struct AttributeCase {
    std::string_view attribute;
    std::optional<AXValue> expected;  // nothing: the read fails with `error`
    AXError error = AXError::success;
};

TEST_F(AccessibilityTest, TextFieldAnswersEachAttributeWithItsTypedValueOrThePlatformsError)
{
    SimTextFieldSpec spec;
    spec.value = "Hi 😀\nthere";
    spec.placeholder = "Message";
    spec.identifier = "composer";
    spec.description = "Message body";
    spec.kind = SimTextKind::multiLine;
    spec.frame = Rect(40, 300, 500, 120);
    SimTextField field = window.addTextField(spec);
    field.select({7, 2});  // "he" on the second line

    const std::vector<AttributeCase> cases{
        {AXAttribute::role, AXValue::string("AXTextArea")},
        {AXAttribute::roleDescription, AXValue::string("text entry area")},
        {AXAttribute::subrole, std::nullopt, AXError::noValue},
        {AXAttribute::identifier, AXValue::string("composer")},
        {AXAttribute::description, AXValue::string("Message body")},
        {AXAttribute::title, std::nullopt, AXError::noValue},
        {AXAttribute::placeholderValue, AXValue::string("Message")},
        {AXAttribute::value, AXValue::string("Hi 😀\nthere")},
        {AXAttribute::selectedTextRange, AXValue::range({7, 2})},
        {AXAttribute::selectedText, AXValue::string("he")},
        {AXAttribute::numberOfCharacters, AXValue::number(11)},  // UTF-16 units
        {AXAttribute::insertionPointLineNumber, AXValue::number(1)},
        {AXAttribute::visibleCharacterRange, AXValue::range({0, 11})},
        {AXAttribute::position, AXValue::point({40, 300})},
        {AXAttribute::size, AXValue::size({500, 120})},
        {AXAttribute::window, AXValue::element(window.axElement())},
        {AXAttribute::parent, AXValue::element(window.axElement())},
        {AXAttribute::children, AXValue::elements({})},
        {AXAttribute::focused, AXValue::boolean(false)},
        {AXAttribute::url, std::nullopt, AXError::attributeUnsupported},
        {AXAttribute::focusedWindow, std::nullopt, AXError::attributeUnsupported},
        {"AXNoSuchThing", std::nullopt, AXError::attributeUnsupported},
    };
    for (const AttributeCase& c : cases) {
        AXValue value;
        const AXError error = field.axElement().copyAttributeValue(c.attribute, value);
        if (c.expected) {
            EXPECT_EQ(error, AXError::success) << c.attribute;
            EXPECT_EQ(value, *c.expected) << c.attribute;
        } else {
            EXPECT_EQ(error, c.error) << c.attribute;
            EXPECT_TRUE(value.isNone()) << c.attribute << ": a failed read leaves the value alone";
        }
    }
}

TEST_F(AccessibilityTest, ValuesReadOnlyAsTheirOwnType)
{
    const AXValue url = AXValue::url("https://example.com");
    EXPECT_FALSE(url.asString());
    EXPECT_EQ(url.asURL(), "https://example.com");
    const AXValue number = AXValue::number(3);
    EXPECT_EQ(number.asInteger(), 3);
    EXPECT_FALSE(AXValue::number(2.5).asInteger());
    EXPECT_FALSE(number.asBool());
    EXPECT_FALSE(AXValue::string("AXTextField").asElement());
}

TEST_F(AccessibilityTest, TreeLinksFieldWindowAndApplication)
{
    const AXUIElement app = editor.axElement();
    EXPECT_EQ(read(line.axElement(), AXAttribute::parent).asElement(), window.axElement());
    EXPECT_EQ(read(window.axElement(), AXAttribute::parent).asElement(), app);
    EXPECT_EQ(read(window.axElement(), AXAttribute::children).asElements(),
              (std::vector{line.axElement(), area.axElement()}));
    EXPECT_EQ(read(app, AXAttribute::children).asElements(), std::vector{window.axElement()});
    EXPECT_EQ(read(app, AXAttribute::windows).asElements(), std::vector{window.axElement()});
    EXPECT_EQ(read(app, AXAttribute::role).asString(), "AXApplication");
    EXPECT_EQ(read(app, AXAttribute::title).asString(), "Editor");
    EXPECT_EQ(read(app, AXAttribute::frontmost).asBool(), true);

    // The host's window title, as the capture records read it.
    const auto focusedWindow = read(app, AXAttribute::focusedWindow).asElement();
    ASSERT_TRUE(focusedWindow);
    EXPECT_EQ(read(*focusedWindow, AXAttribute::title).asString(), "Draft");
    EXPECT_EQ(read(*focusedWindow, AXAttribute::role).asString(), "AXWindow");
    EXPECT_EQ(read(*focusedWindow, AXAttribute::window).asElement(), focusedWindow);

    // Elements compare and hash by what they name.
    EXPECT_EQ(desktop.accessibility().applicationElement(editor.pid()), app);
    EXPECT_EQ(std::hash<AXUIElement>{}(desktop.accessibility().applicationElement(editor.pid())),
              std::hash<AXUIElement>{}(app));
    EXPECT_NE(line.axElement(), area.axElement());
}

struct EditCase {
    const char* value;
    AXTextRange range;
    const char* replacement;
    const char* expected;
    AXTextRange caret;
};

TEST_F(AccessibilityTest, RangeThenSelectedTextWriteEditsLikeTheHostWould)
{
    const std::vector<EditCase> cases{
        {"buy milk //note", {9, 6}, "", "buy milk ", {9, 0}},
        {"buy milk //note ", {9, 7}, "", "buy milk ", {9, 0}},
        {"😀 //note", {3, 6}, "", "😀 ", {3, 0}},  // offsets count the emoji's two units
        {"ab", {1, 0}, "X", "aXb", {2, 0}},      // nothing selected: insert at the caret
        {"hello world", {6, 5}, "there", "hello there", {11, 0}},
        {"hi", {2, 0}, " 🇫🇷 ok", "hi 🇫🇷 ok", {10, 0}},
    };
    for (const EditCase& c : cases) {
        line.setValue(c.value);
        const AXUIElement element = line.axElement();
        EXPECT_EQ(element.setAttributeValue(AXAttribute::selectedTextRange, AXValue::range(c.range)),
                  AXError::success);
        EXPECT_EQ(read(element, AXAttribute::selectedTextRange).asRange(), c.range);
        EXPECT_EQ(element.setAttributeValue(AXAttribute::selectedText, AXValue::string(c.replacement)),
                  AXError::success);
        EXPECT_EQ(line.value(), c.expected) << c.value;
        EXPECT_EQ(read(element, AXAttribute::selectedTextRange).asRange(), c.caret) << c.value;
    }
}

TEST_F(AccessibilityTest, WholeValueWritePutsTheCaretAtTheEnd)
{
    line.setValue("draft //note");
    line.select({3, 0});
    const AXUIElement element = line.axElement();
    ASSERT_EQ(element.setAttributeValue(AXAttribute::value, AXValue::string("draft ")), AXError::success);
    EXPECT_EQ(line.value(), "draft ");
    EXPECT_EQ(line.selectedRange(), (AXTextRange{6, 0}));
    EXPECT_EQ(element.setAttributeValue(AXAttribute::selectedTextRange, AXValue::range({6, 0})),
              AXError::success);
}

struct BadWriteCase {
    std::string_view attribute;
    AXValue value;
    AXError expected;
};

TEST_F(AccessibilityTest, MalformedWritesAreRejectedAndChangeNothing)
{
    line.setValue("abc");
    const std::vector<BadWriteCase> cases{
        {AXAttribute::selectedTextRange, AXValue::range({2, 2}), AXError::illegalArgument},  // past the end
        {AXAttribute::selectedTextRange, AXValue::range({-1, 1}), AXError::illegalArgument},
        {AXAttribute::selectedTextRange, AXValue::string("0,1"), AXError::illegalArgument},
        {AXAttribute::selectedText, AXValue::number(4), AXError::illegalArgument},
        {AXAttribute::value, AXValue::boolean(true), AXError::illegalArgument},
        {AXAttribute::role, AXValue::string("AXButton"), AXError::attributeUnsupported},
        {AXAttribute::placeholderValue, AXValue::string("x"), AXError::attributeUnsupported},
    };
    for (const BadWriteCase& c : cases) {
        EXPECT_EQ(line.axElement().setAttributeValue(c.attribute, c.value), c.expected) << c.attribute;
    }
    EXPECT_EQ(window.axElement().setAttributeValue(AXAttribute::value, AXValue::string("x")),
              AXError::attributeUnsupported);
    EXPECT_EQ(desktop.accessibility().systemWideElement().setAttributeValue(AXAttribute::value,
                                                                            AXValue::string("x")),
              AXError::attributeUnsupported);
    EXPECT_EQ(line.value(), "abc");
    EXPECT_EQ(line.selectedRange(), (AXTextRange{3, 0}));
}

TEST_F(AccessibilityTest, RefusingFieldFailsEveryEditWithItsErrorAndKeepsItsText)
{
    for (const AXError refusal : {AXError::cannotComplete, AXError::attributeUnsupported, AXError::failure}) {
        line.acceptWrites();
        line.setValue("keep //note");
        line.refuseWrites(refusal);
        const AXUIElement element = line.axElement();
        EXPECT_EQ(element.setAttributeValue(AXAttribute::selectedTextRange, AXValue::range({5, 6})), refusal);
        EXPECT_EQ(element.setAttributeValue(AXAttribute::selectedText, AXValue::string("")), refusal);
        EXPECT_EQ(element.setAttributeValue(AXAttribute::value, AXValue::string("keep ")), refusal);
        EXPECT_EQ(line.value(), "keep //note");
        EXPECT_EQ(line.selectedRange(), (AXTextRange{11, 0}));
        bool settable = true;
        EXPECT_EQ(element.isAttributeSettable(AXAttribute::value, settable), AXError::success);
        EXPECT_FALSE(settable);
        // Reads still work, and so does the user's typing.
        EXPECT_EQ(read(element, AXAttribute::value).asString(), "keep //note");
        desktop.keyboard().press("Delete");
        EXPECT_EQ(line.value(), "keep //not");
    }
}

TEST_F(AccessibilityTest, MisbehavingFieldReportsSuccessButPutsTheCaretElsewhere)
{
    line.setValue("see you tom");
    line.setMisplacesSelection(true);
    const AXUIElement element = line.axElement();
    ASSERT_EQ(element.setAttributeValue(AXAttribute::selectedTextRange, AXValue::range({8, 3})),
              AXError::success);
    EXPECT_EQ(line.selectedRange(), (AXTextRange{8, 3}));  // the range itself lands
    ASSERT_EQ(element.setAttributeValue(AXAttribute::selectedText, AXValue::string("tomorrow ")),
              AXError::success);
    EXPECT_EQ(line.value(), "see you tomorrow ");
    // A caller that checks where the caret went (8 + 9) sees the edit did not go as expected.
    EXPECT_EQ(read(element, AXAttribute::selectedTextRange).asRange(), (AXTextRange{0, 0}));
}

struct SettableCase {
    std::function<AXUIElement()> element;
    std::string_view attribute;
    AXError error;
    bool settable;
};

TEST_F(AccessibilityTest, IsAttributeSettableAnswersPerElementAndAttribute)
{
    SimTextField password = addField(SimTextKind::secure, 300);
    const auto field = [&] { return line.axElement(); };
    const auto app = [&] { return editor.axElement(); };
    const std::vector<SettableCase> cases{
        {field, AXAttribute::value, AXError::success, true},
        {field, AXAttribute::selectedTextRange, AXError::success, true},
        {field, AXAttribute::selectedText, AXError::success, true},
        {field, AXAttribute::focused, AXError::success, true},
        {field, AXAttribute::role, AXError::success, false},
        {field, AXAttribute::numberOfCharacters, AXError::success, false},
        {field, "AXNoSuchThing", AXError::attributeUnsupported, false},
        {[&] { return password.axElement(); }, AXAttribute::value, AXError::success, true},
        {[&] { return window.axElement(); }, AXAttribute::title, AXError::success, false},
        {[&] { return window.axElement(); }, AXAttribute::value, AXError::attributeUnsupported, false},
        {app, AXAttribute::enhancedUserInterface, AXError::success, true},
        {app, AXAttribute::manualAccessibility, AXError::attributeUnsupported, false},
        {app, AXAttribute::focusedUIElement, AXError::success, false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        bool settable = false;
        EXPECT_EQ(cases[i].element().isAttributeSettable(cases[i].attribute, settable), cases[i].error) << i;
        if (cases[i].error == AXError::success) {
            EXPECT_EQ(settable, cases[i].settable) << i;
        }
    }
}

TEST_F(AccessibilityTest, PasswordFieldNeverExposesItsText)
{
    SimTextFieldSpec spec;
    spec.kind = SimTextKind::secure;
    spec.value = "hunter2";
    SimTextField password = window.addTextField(spec);
    const AXUIElement element = password.axElement();

    EXPECT_EQ(read(element, AXAttribute::role).asString(), "AXTextField");
    EXPECT_EQ(read(element, AXAttribute::subrole).asString(), "AXSecureTextField");
    EXPECT_EQ(read(element, AXAttribute::roleDescription).asString(), "secure text field");
    EXPECT_EQ(read(element, AXAttribute::value).asString(), "•••••••");
    EXPECT_EQ(read(element, AXAttribute::numberOfCharacters).asInteger(), 7);
    password.select({0, 3});
    EXPECT_EQ(read(element, AXAttribute::selectedText).asString(), "•••");
    AXValue masked;
    ASSERT_EQ(
        element.copyParameterizedAttributeValue(AXAttribute::stringForRange, AXValue::range({4, 3}), masked),
        AXError::success);
    EXPECT_EQ(masked.asString(), "•••");

    // The user can still type into it; the value stays hidden.
    password.focus();
    password.select({7, 0});
    desktop.keyboard().type("!");
    EXPECT_EQ(password.value(), "hunter2!");
    EXPECT_EQ(read(element, AXAttribute::value).asString(), "••••••••");
}

TEST_F(AccessibilityTest, BoundsForRangeFollowTheText)
{
    area.setValue("first line\nsecond 😀 line");
    const AXUIElement element = area.axElement();
    const auto bounds = [&](AXTextRange range) {
        AXValue value;
        EXPECT_EQ(element.copyParameterizedAttributeValue(AXAttribute::boundsForRange, AXValue::range(range),
                                                          value),
                  AXError::success);
        return value.asRect().value_or(Rect());
    };
    const Rect start = bounds({0, 0});
    const Rect later = bounds({5, 0});
    const Rect lineTwo = bounds({11, 0});
    const Rect afterEmoji = bounds({20, 0});  // "second 😀" is 9 units, 8 characters
    const Rect oneChar = bounds({0, 1});
    const Rect threeChars = bounds({0, 3});
    const Rect emoji = bounds({18, 2});
    const Rect bothLines = bounds({6, 10});
    const Rect frame = area.frame();

    EXPECT_TRUE(frame.intersects(start));
    EXPECT_GT(start.x(), frame.x());
    EXPECT_GT(start.y(), frame.y());
    EXPECT_GT(start.height(), 0);
    EXPECT_EQ(start.width(), 0);  // a caret
    EXPECT_GT(later.x(), start.x());
    EXPECT_EQ(later.y(), start.y());
    EXPECT_GT(lineTwo.y(), start.y());  // the second line is lower
    EXPECT_EQ(lineTwo.x(), start.x());
    EXPECT_EQ(afterEmoji.x() - lineTwo.x(), 8 * oneChar.width());
    EXPECT_GT(oneChar.width(), 0);
    EXPECT_EQ(threeChars.width(), 3 * oneChar.width());
    EXPECT_EQ(emoji.width(), oneChar.width());  // one character, two units
    EXPECT_EQ(bothLines.y(), start.y());
    EXPECT_EQ(bothLines.height(), 2 * start.height());

    // Moving the field moves the bounds with it.
    area.setFrame(Rect(frame.x() + 50, frame.y() + 70, frame.width(), frame.height()));
    EXPECT_EQ(bounds({5, 0}), Rect(later.x() + 50, later.y() + 70, 0, later.height()));
}

TEST_F(AccessibilityTest, ParameterizedAttributesCheckTheirRange)
{
    line.setValue("a😀b");
    const AXUIElement element = line.axElement();
    AXValue value;
    ASSERT_EQ(
        element.copyParameterizedAttributeValue(AXAttribute::stringForRange, AXValue::range({1, 2}), value),
        AXError::success);
    EXPECT_EQ(value.asString(), "😀");
    EXPECT_EQ(
        element.copyParameterizedAttributeValue(AXAttribute::stringForRange, AXValue::range({3, 2}), value),
        AXError::illegalArgument);
    EXPECT_EQ(element.copyParameterizedAttributeValue(AXAttribute::boundsForRange, AXValue::number(1), value),
              AXError::illegalArgument);
    EXPECT_EQ(element.copyParameterizedAttributeValue("AXLineForIndex", AXValue::number(1), value),
              AXError::parameterizedAttributeUnsupported);
    EXPECT_EQ(window.axElement().copyParameterizedAttributeValue(AXAttribute::boundsForRange,
                                                                 AXValue::range({0, 0}), value),
              AXError::parameterizedAttributeUnsupported);

    line.setBoundsOverride(Rect(0, 0, 0, 0));  // as applications with a broken text layout answer
    ASSERT_EQ(
        element.copyParameterizedAttributeValue(AXAttribute::boundsForRange, AXValue::range({0, 0}), value),
        AXError::success);
    EXPECT_EQ(value.asRect(), Rect(0, 0, 0, 0));
}

TEST_F(AccessibilityTest, UntrustedProcessGetsApiDisabledEverywhere)
{
    desktop.trust().setTrusted(false);
    const AXUIElement element = line.axElement();
    AXValue value;
    bool settable = false;
    std::shared_ptr<AXObserver> observer;
    EXPECT_EQ(readError(desktop.accessibility().systemWideElement(), AXAttribute::focusedUIElement),
              AXError::apiDisabled);
    EXPECT_EQ(readError(element, AXAttribute::value), AXError::apiDisabled);
    EXPECT_EQ(element.setAttributeValue(AXAttribute::value, AXValue::string("x")), AXError::apiDisabled);
    EXPECT_EQ(element.isAttributeSettable(AXAttribute::value, settable), AXError::apiDisabled);
    EXPECT_EQ(
        element.copyParameterizedAttributeValue(AXAttribute::boundsForRange, AXValue::range({0, 0}), value),
        AXError::apiDisabled);
    EXPECT_EQ(desktop.accessibility().createObserver(editor.pid(), {}, observer), AXError::apiDisabled);
    EXPECT_EQ(observer, nullptr);
}

TEST_F(AccessibilityTest, ElementsOfClosedWindowsAndQuitApplicationsAreInvalid)
{
    const AXUIElement field = line.axElement();
    window.remove();
    EXPECT_EQ(readError(field, AXAttribute::value), AXError::invalidUIElement);
    EXPECT_EQ(field.setAttributeValue(AXAttribute::value, AXValue::string("x")), AXError::invalidUIElement);
    EXPECT_EQ(readError(desktop.accessibility().systemWideElement(), AXAttribute::focusedUIElement),
              AXError::noValue);

    const AXUIElement app = editor.axElement();
    EXPECT_EQ(read(app, AXAttribute::children).asElements(), std::vector<AXUIElement>{});
    editor.terminate();
    EXPECT_EQ(readError(app, AXAttribute::role), AXError::invalidUIElement);
    EXPECT_EQ(readError(desktop.accessibility().applicationElement(424242), AXAttribute::role),
              AXError::invalidUIElement);
    EXPECT_EQ(readError(AXUIElement(), AXAttribute::role), AXError::illegalArgument);
}

TEST_F(AccessibilityTest, SlowApplicationFailsCallsWhoseTimeoutIsShorter)
{
    editor.setResponseDelay(0.1);
    const AXUIElement field = line.axElement();
    EXPECT_EQ(readError(field, AXAttribute::value), AXError::success);  // default timeout: 6 s

    ASSERT_EQ(field.setMessagingTimeout(0.015f), AXError::success);
    EXPECT_EQ(readError(field, AXAttribute::value), AXError::cannotComplete);
    EXPECT_EQ(readError(area.axElement(), AXAttribute::value), AXError::success);  // per element
    EXPECT_EQ(field.setMessagingTimeout(-1), AXError::illegalArgument);
    ASSERT_EQ(field.setMessagingTimeout(0), AXError::success);  // back to the default
    EXPECT_EQ(readError(field, AXAttribute::value), AXError::success);

    const AXUIElement systemWide = desktop.accessibility().systemWideElement();
    ASSERT_EQ(systemWide.setMessagingTimeout(0.05f), AXError::success);  // the default for all
    EXPECT_EQ(readError(systemWide, AXAttribute::focusedUIElement), AXError::cannotComplete);
    EXPECT_EQ(readError(field, AXAttribute::value), AXError::cannotComplete);
    ASSERT_EQ(field.setMessagingTimeout(1.0f), AXError::success);
    EXPECT_EQ(readError(field, AXAttribute::value), AXError::success);
}

TEST_F(AccessibilityTest, ApplicationBuildsItsTreeOnlyOnceAskedTo)
{
    const AXUIElement app = editor.axElement();
    editor.setTreeAvailability(SimTreeAvailability::afterEnablement);
    editor.setAcceptsManualAccessibility(true);
    EXPECT_EQ(readError(app, AXAttribute::focusedUIElement), AXError::noValue);
    EXPECT_EQ(readError(desktop.accessibility().systemWideElement(), AXAttribute::focusedUIElement),
              AXError::noValue);
    EXPECT_EQ(read(window.axElement(), AXAttribute::children).asElements(), std::vector<AXUIElement>{});

    EXPECT_EQ(app.setAttributeValue(AXAttribute::manualAccessibility, AXValue::string("yes")),
              AXError::illegalArgument);
    ASSERT_EQ(app.setAttributeValue(AXAttribute::manualAccessibility, AXValue::boolean(true)),
              AXError::success);
    EXPECT_TRUE(editor.manualAccessibility());
    EXPECT_EQ(read(app, AXAttribute::manualAccessibility).asBool(), true);
    EXPECT_EQ(read(app, AXAttribute::focusedUIElement).asElement(), line.axElement());
    EXPECT_EQ(read(window.axElement(), AXAttribute::children)
                  .asElements()
                  .value_or(std::vector<AXUIElement>{})
                  .size(),
              2u);

    SimApplication stubborn = desktop.addApplication("com.example.stubborn", "Stubborn");
    stubborn.addWindow("W").addTextField({}).focus();
    stubborn.setTreeAvailability(SimTreeAvailability::never);
    const AXUIElement stubbornApp = stubborn.axElement();
    EXPECT_EQ(stubbornApp.setAttributeValue(AXAttribute::manualAccessibility, AXValue::boolean(true)),
              AXError::attributeUnsupported);
    ASSERT_EQ(stubbornApp.setAttributeValue(AXAttribute::enhancedUserInterface, AXValue::boolean(true)),
              AXError::success);
    EXPECT_TRUE(stubborn.enhancedUserInterface());
    EXPECT_EQ(readError(stubbornApp, AXAttribute::focusedUIElement), AXError::noValue);
}

// The browser-domain search: depth first, the first text value that looks
// like an address.
std::optional<std::string> findAddress(const AXUIElement& element, int& visited)
{
    ++visited;
    AXValue value;
    if (element.copyAttributeValue(AXAttribute::value, value) == AXError::success) {
        // An empty or non-text value is no address either.
        const std::string text = value.asString().value_or(std::string());
        if (text.starts_with("https://") ||
            (text.find(' ') == std::string::npos && text.find(".com") != std::string::npos)) {
            return text;
        }
    }
    AXValue children;
    if (element.copyAttributeValue(AXAttribute::children, children) == AXError::success) {
        for (const AXUIElement& child : children.asElements().value_or(std::vector<AXUIElement>{})) {
            if (auto found = findAddress(child, visited)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

TEST_F(AccessibilityTest, BrowserAddressLiesDeepInTheTreeAndTheWebAreaExposesItsURL)
{
    SimBrowser browser =
        desktop.addBrowser("com.google.Chrome", "Google Chrome", "https://www.Example.com/docs", "Docs");
    int visited = 0;
    EXPECT_EQ(findAddress(browser.application().axElement(), visited), "https://www.Example.com/docs");
    EXPECT_GE(visited, 7);  // application, window, frame, tabs, button, toolbar, groups, field

    // The address field is five levels below the window.
    int depth = 0;
    for (AXUIElement at = browser.addressField().axElement(); at != browser.window().axElement(); ++depth) {
        at = read(at, AXAttribute::parent).asElement().value_or(browser.window().axElement());
    }
    EXPECT_EQ(depth, 5);

    const AXValue url = read(browser.webArea().axElement(), AXAttribute::url);
    EXPECT_EQ(url.type(), AXValue::Type::url);
    EXPECT_EQ(url.asURL(), "https://www.Example.com/docs");
    EXPECT_EQ(read(browser.window().axElement(), AXAttribute::title).asString(), "Docs - Google Chrome");

    browser.navigate("news.example.com/today", "Today");
    visited = 0;
    EXPECT_EQ(findAddress(browser.application().axElement(), visited), "news.example.com/today");
    EXPECT_EQ(read(browser.webArea().axElement(), AXAttribute::url).asURL(), "news.example.com/today");
    EXPECT_EQ(read(browser.window().axElement(), AXAttribute::title).asString(), "Today - Google Chrome");

    // Typing goes into the page's field once it has the focus.
    browser.application().activate();
    browser.pageField().focus();
    desktop.keyboard().type("query");
    EXPECT_EQ(browser.pageField().value(), "query");
}

}  // namespace
}  // namespace qm::test
