#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/workspace/Pasteboard.h"

class QObject;

namespace qm {

class MainLoop;

// The system clipboard through Qt. Qt's clipboard belongs to the GUI thread
// while the pasteboard may be used from any thread (a capture's send runs in
// the background), so this keeps the content itself and hands every change to
// the clipboard on the main loop, in order; nothing ever waits for the main
// thread. A copy made by another program is taken over on the main thread
// when Qt reports it, and counts as a change of ownership.
//
// Types: the plain-text, RTF and HTML types travel as "text/plain",
// "text/rtf" and "text/html"; any other type name as a MIME type of its own
// ("application/x-quillmarker." and the name), which only this program reads.
class QtPasteboard final : public Pasteboard {
public:
    // On the GUI thread, once the application object exists; `mainLoop` runs
    // there and outlives the pasteboard.
    explicit QtPasteboard(MainLoop& mainLoop);
    ~QtPasteboard() override;
    QtPasteboard(const QtPasteboard&) = delete;
    QtPasteboard& operator=(const QtPasteboard&) = delete;

    long clearContents() override;
    long declareTypes(const std::vector<std::string>& types) override;
    [[nodiscard]] bool setString(std::string_view value, std::string_view type) override;
    std::optional<std::string> string(std::string_view type) const override;
    std::vector<std::string> types() const override;
    long changeCount() const override;

    static std::string mimeTypeFor(std::string_view type);
    // Nothing for MIME types that have no pasteboard type here.
    static std::optional<std::string> typeForMime(std::string_view mime);

private:
    using Item = std::pair<std::string, std::optional<std::string>>;  // type, written value
    struct Shared;

    // With the lock held: hands the current content to Qt's clipboard.
    void publishLocked();

    MainLoop& mainLoop_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<QObject> context_;
};

}  // namespace qm
