#include "platform/sim/workspace/SimBrowser.h"

#include "platform/accessibility/AXRole.h"

namespace qm {
namespace {

std::string windowTitle(const SimApplication& app, const std::string& pageTitle)
{
    return pageTitle + " - " + app.runningApplication().localizedName.value_or("Browser");
}

SimElementSpec spec(std::string_view role, Rect frame, std::string description = {})
{
    SimElementSpec result;
    result.role = std::string(role);
    result.frame = frame;
    result.description = std::move(description);
    return result;
}

}  // namespace

SimBrowser::SimBrowser(SimApplication app, SimElement window, SimTextField addressField, SimElement webArea,
                       SimTextField pageField)
    : app_(std::move(app)), window_(std::move(window)), addressField_(std::move(addressField)),
      webArea_(std::move(webArea)), pageField_(std::move(pageField))
{
}

SimBrowser SimBrowser::create(const SimApplication& app, const std::string& url, const std::string& pageTitle)
{
    const SimElement window = app.addWindow(windowTitle(app, pageTitle), Rect(0, 25, 1280, 800));
    const SimElement frame = window.addChild(spec(AXRole::group, Rect(0, 25, 1280, 800)));

    const SimElement tabs = frame.addChild(spec(AXRole::group, Rect(0, 25, 1280, 36), "tabs"));
    SimElementSpec newTab = spec(AXRole::button, Rect(240, 30, 28, 28), "New Tab");
    newTab.title = "New Tab";
    tabs.addChild(newTab);

    const SimElement toolbar = frame.addChild(spec(AXRole::toolbar, Rect(0, 61, 1280, 40)));
    const SimElement outer = toolbar.addChild(spec(AXRole::group, Rect(120, 64, 900, 34)));
    const SimElement inner = outer.addChild(spec(AXRole::group, Rect(124, 66, 890, 30)));
    SimTextFieldSpec address;
    address.value = url;
    address.description = "Address and search bar";
    address.frame = Rect(128, 68, 880, 26);
    const SimTextField addressField = inner.addTextField(address);

    SimElementSpec page = spec(AXRole::webArea, Rect(0, 101, 1280, 724));
    page.title = pageTitle;
    page.url = url;
    const SimElement webArea = frame.addChild(page);
    const SimElement content = webArea.addChild(spec(AXRole::group, Rect(40, 140, 1200, 400)));
    SimElementSpec line = spec(AXRole::staticText, Rect(40, 140, 600, 20));
    line.value = "Welcome to this page, read on below.";
    content.addChild(line);
    SimTextFieldSpec search;
    search.description = "Search";
    search.placeholder = "Search this site";
    search.frame = Rect(40, 180, 500, 24);
    const SimTextField pageField = content.addTextField(search);

    return SimBrowser(app, window, addressField, webArea, pageField);
}

void SimBrowser::navigate(const std::string& url, const std::string& pageTitle) const
{
    addressField_.setValue(url);
    webArea_.setURL(url);
    webArea_.setTitle(pageTitle);
    window_.setTitle(windowTitle(app_, pageTitle));
}

}  // namespace qm
