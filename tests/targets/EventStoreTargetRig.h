#pragma once

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/FileUtil.h"
#include "platform/linux/eventstore/VdirEventStoreBackend.h"
#include "targets/SchedulingTargetRig.h"

namespace qm::test {

// The scheduling rig with two event stores to send into: the stand-in (which
// scripts refusals and failures) and the vdir collections with real files in
// the rig's private folder, whose access prompts answer "allow".
class EventStoreTargetRig : public SchedulingTargetRig {
protected:
    // The iCalendar files of one vdir collection, as written.
    std::vector<std::string> itemTexts(const std::string& kind)
    {
        std::vector<std::string> texts;
        std::error_code error;
        for (std::filesystem::directory_iterator it(vdirFolder / kind / "default", error);
             !error && it != std::filesystem::directory_iterator(); ++it) {
            if (it->path().extension() == ".ics") {
                texts.push_back(file::readAll(it->path(), error).value_or("<unreadable>"));
            }
        }
        return texts;
    }

    // An iCalendar text with its folded lines joined.
    static std::string unfolded(const std::string& text)
    {
        std::string result;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 3, "\r\n ") == 0) {
                i += 2;
                continue;
            }
            result += text[i];
        }
        return result;
    }

    std::shared_ptr<SimEventStoreBackend> sim = stage.platform.eventStores;
    std::filesystem::path vdirFolder = stage.support / "data";
    int vdirPrompts = 0;
    std::shared_ptr<VdirEventStoreBackend> vdir = std::make_shared<VdirEventStoreBackend>(
        loop, clock,
        VdirEventStoreBackend::Configuration{
            .folder = vdirFolder,
            .accessFile = vdirFolder / "eventstore-access.json",
            .askForAccess =
                [this](EventStoreEntityType, std::function<void(bool)> answer) {
                    ++vdirPrompts;
                    answer(true);
                },
        });
};

}  // namespace qm::test
