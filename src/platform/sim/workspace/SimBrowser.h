#pragma once

#include <string>

#include "platform/sim/accessibility/SimElement.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "platform/sim/workspace/SimApplication.h"

namespace qm {

// A web browser of the stand-in desktop, laid out as the common ones are: the
// window (titled "<page title> - <browser name>") holds the browser's frame,
// whose tab strip and toolbar come first and nest the address field five
// levels deep; the web area after them exposes the page's "AXURL" and holds a
// line of text and a text field of the page.
//
//   AXWindow
//     AXGroup
//       AXGroup (tabs) > AXButton "New Tab"
//       AXToolbar > AXGroup > AXGroup > AXTextField "Address and search bar"
//       AXWebArea (AXURL) > AXGroup > AXStaticText, AXTextField "Search"
class SimBrowser {
public:
    static SimBrowser create(const SimApplication& app, const std::string& url, const std::string& pageTitle);

    const SimApplication& application() const { return app_; }
    const SimElement& window() const { return window_; }
    const SimTextField& addressField() const { return addressField_; }
    const SimElement& webArea() const { return webArea_; }
    const SimTextField& pageField() const { return pageField_; }

    // Shows another page: the address field's text, the web area's URL and
    // the window title follow.
    void navigate(const std::string& url, const std::string& pageTitle) const;

private:
    SimBrowser(SimApplication app, SimElement window, SimTextField addressField, SimElement webArea,
               SimTextField pageField);

    SimApplication app_;
    SimElement window_;
    SimTextField addressField_;
    SimElement webArea_;
    SimTextField pageField_;
};

}  // namespace qm
