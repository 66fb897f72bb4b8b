#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include "capture/CaptureModeRig.h"
#include "support/QtTestApplication.h"

namespace qm::test {

// The capture router of CaptureModeRig with a Qt application for the
// overlay's widgets, which run on the same (main) thread as the manual loop.
class OverlayRig : public CaptureModeRig {
public:
    OverlayRig()
    {
        qtApplication();
        pick->setRows({{"C1", "#general"},
                       {"U1", "@dana"},
                       {"C2", "#design"},
                       {"X1", "bot-updates"},
                       {"C3", "#random"},
                       {"C4", "#releases"},
                       {"U2", "@sam"}});
    }

    // Opens capture mode for `target` as the end of a trigger removal does,
    // and waits for a picker's rows.
    void openDirectly(const std::shared_ptr<CaptureTarget>& target)
    {
        router->enterCaptureModeUI(target);
        if (target->needsPicker()) {
            ASSERT_TRUE(waitFor([&] { return !router->pickerOptions().empty(); }));
        }
        settle();
    }

    // Lets the manual loop and Qt run what is pending.
    void settle()
    {
        for (int round = 0; round < 3; ++round) {
            loop.runUntilIdle();
            QApplication::processEvents();
        }
    }

    // The texts of the visible labels under `root`, in layout order.
    static std::vector<std::string> visibleTexts(const QWidget& root)
    {
        std::vector<std::string> texts;
        for (const QLabel* label : root.findChildren<QLabel*>()) {
            if (label->isVisibleTo(&root) && !label->text().isEmpty()) {
                texts.push_back(label->text().toStdString());
            }
        }
        return texts;
    }

    static bool shows(const QWidget& root, const std::string& text)
    {
        const auto texts = visibleTexts(root);
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    std::shared_ptr<ScriptedTarget> obsidian = std::make_shared<ScriptedTarget>("obsidian");
    std::shared_ptr<ScriptedTarget> logseq = std::make_shared<ScriptedTarget>("logseq");
    std::shared_ptr<CalcTarget> calc = std::make_shared<CalcTarget>(pasteboard, app().records().landing());
};

}  // namespace qm::test
