#pragma once

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/accessibility/AXValue.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm::test {

// A stand-in desktop on a manual main loop, with one text editor in front
// whose single window holds a one-line and a multi-line field.
class DesktopFixture : public ::testing::Test {
protected:
    DesktopFixture()
        : loop(clock), desktop(loop), editor(desktop.addApplication("com.example.editor", "Editor")),
          window(editor.addWindow("Draft", Rect(0, 25, 800, 600))),
          line(addField(SimTextKind::singleLine, 100)), area(addField(SimTextKind::multiLine, 200))
    {
        editor.activate();
        line.focus();
        loop.runUntilIdle();
    }

    SimTextField addField(SimTextKind kind, double y, std::string value = {})
    {
        SimTextFieldSpec spec;
        spec.kind = kind;
        spec.value = std::move(value);
        spec.frame = Rect(100, y, 400, kind == SimTextKind::multiLine ? 80 : 22);
        return window.addTextField(spec);
    }

    // The attribute's value; fails the test unless the read succeeds.
    static AXValue read(const AXUIElement& element, std::string_view attribute)
    {
        AXValue value;
        const AXError error = element.copyAttributeValue(attribute, value);
        EXPECT_EQ(error, AXError::success) << "reading " << attribute;
        return value;
    }

    static AXError readError(const AXUIElement& element, std::string_view attribute)
    {
        AXValue ignored;
        return element.copyAttributeValue(attribute, ignored);
    }

    AXUIElement focusedElement()
    {
        return read(desktop.accessibility().systemWideElement(), "AXFocusedUIElement")
            .asElement()
            .value_or(AXUIElement());
    }

    SimClock clock;
    SimMainLoop loop;
    StandInDesktop desktop;
    SimApplication editor;
    SimElement window;
    SimTextField line;
    SimTextField area;
};

}  // namespace qm::test
