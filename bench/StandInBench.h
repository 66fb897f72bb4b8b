#pragma once

// What the benchmarks of the keyboard pipeline share: a private home, an editor
// with a focused field on the stand-in desktop, a delegate that ignores the
// tap's reports, the options the app is composed with, and the event tap
// manager's start.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "app/AppComposition.h"
#include "capture/EventTapManager.h"
#include "capture/EventTapManagerDelegate.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "platform/sim/accessibility/SimTextFieldSpec.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimApplication.h"

namespace qm::bench {

class QuietDelegate final : public EventTapManagerDelegate {
public:
    void eventTapManagerDidUpdateContext(EventTapManager&, const std::string&, const std::string&,
                                         const std::string&) override
    {
    }
    void eventTapManagerDidClearSuggestions(EventTapManager&) override {}
    void eventTapManagerDidSelectSuggestionIndex(EventTapManager&, int) override {}
    void eventTapManagerDidCycleSuggestion(EventTapManager&) override {}
    void eventTapManagerDidCommitActiveSuggestion(EventTapManager&) override {}
};

// A fresh folder that HOME and the XDG folders point into, removed with it:
// nothing a benchmark does may reach the real home folder.
class PrivateHome {
public:
    PrivateHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "qm-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        setenv("HOME", pattern.c_str(), 1);
        setenv("XDG_DATA_HOME", pattern.c_str(), 1);
        setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", pattern.c_str(), 1);
        path_ = pattern;
    }
    ~PrivateHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A single-line field in a window of `editor`, with the focus.
inline SimTextField addFocusedField(SimApplication& editor)
{
    SimTextFieldSpec spec;
    spec.kind = SimTextKind::singleLine;
    spec.frame = Rect(100, 100, 400, 22);
    SimTextField added = editor.addWindow("Draft", Rect(0, 25, 800, 600)).addTextField(spec);
    added.focus();
    return added;
}

// No HUD to show; `backgroundThreads` for picker loads, sends and records.
inline AppComposition::Options quietOptions(unsigned backgroundThreads = 2)
{
    AppComposition::Options options;
    options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
    options.backgroundThreads = backgroundThreads;
    return options;
}

// Starts the manager and waits until its tap thread has made the tap.
inline void startTap(EventTapManager& manager, EventTapManagerDelegate& delegate, SimMainLoop& loop)
{
    manager.setDelegate(&delegate);
    manager.start();
    while (!manager.eventTap()) {
        loop.runUntilIdle();
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    loop.runUntilIdle();
}

}  // namespace qm::bench
