#include "platform/linux/workspace/QtPasteboard.h"

#include <algorithm>

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QObject>
#include <QString>

#include "platform/runtime/MainLoop.h"

namespace qm {

namespace {

constexpr std::string_view kPrivateMimePrefix = "application/x-quillmarker.";

}  // namespace

// What the pasteboard's main-loop tasks share with it; they hold it weakly so
// a task that runs after the pasteboard went does nothing.
struct QtPasteboard::Shared {
    std::mutex mutex;
    std::vector<Item> items;
    long changeCount = 0;
    // Versions of the content: the one last handed to Qt, and how many of the
    // clipboard's change signals are this program's own writes.
    std::uint64_t version = 0;
    int ownWritesInFlight = 0;
};

std::string QtPasteboard::mimeTypeFor(std::string_view type)
{
    if (type == Pasteboard::typeString) {
        return "text/plain";
    }
    if (type == Pasteboard::typeRTF) {
        return "text/rtf";
    }
    if (type == Pasteboard::typeHTML) {
        return "text/html";
    }
    return std::string(kPrivateMimePrefix) + std::string(type);
}

std::optional<std::string> QtPasteboard::typeForMime(std::string_view mime)
{
    if (mime == "text/plain") {
        return std::string(Pasteboard::typeString);
    }
    if (mime == "text/rtf") {
        return std::string(Pasteboard::typeRTF);
    }
    if (mime == "text/html") {
        return std::string(Pasteboard::typeHTML);
    }
    if (mime.starts_with(kPrivateMimePrefix)) {
        return std::string(mime.substr(kPrivateMimePrefix.size()));
    }
    return std::nullopt;
}

QtPasteboard::QtPasteboard(MainLoop& mainLoop)
    : mainLoop_(mainLoop), shared_(std::make_shared<Shared>()), context_(std::make_unique<QObject>())
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        return;
    }
    // Another program's copy: take it over as the new content.
    QObject::connect(clipboard, &QClipboard::dataChanged, context_.get(), [shared = shared_, clipboard] {
        std::lock_guard lock(shared->mutex);
        if (shared->ownWritesInFlight > 0) {
            --shared->ownWritesInFlight;
            return;
        }
        shared->items.clear();
        if (const QMimeData* data = clipboard->mimeData()) {
            for (const QString& format : data->formats()) {
                const std::string mime = format.toStdString();
                if (auto type = typeForMime(mime)) {
                    const QByteArray bytes =
                        mime == "text/plain" ? data->text().toUtf8() : data->data(format);
                    shared->items.emplace_back(*type, bytes.toStdString());
                }
            }
        }
        ++shared->changeCount;
        ++shared->version;
    });
}

QtPasteboard::~QtPasteboard() = default;

long QtPasteboard::clearContents()
{
    std::lock_guard lock(shared_->mutex);
    shared_->items.clear();
    publishLocked();
    return ++shared_->changeCount;
}

long QtPasteboard::declareTypes(const std::vector<std::string>& types)
{
    std::lock_guard lock(shared_->mutex);
    shared_->items.clear();
    for (const std::string& type : types) {
        const bool known = std::any_of(shared_->items.begin(), shared_->items.end(),
                                       [&](const Item& item) { return item.first == type; });
        if (!known) {
            shared_->items.emplace_back(type, std::nullopt);
        }
    }
    publishLocked();
    return ++shared_->changeCount;
}

bool QtPasteboard::setString(std::string_view value, std::string_view type)
{
    std::lock_guard lock(shared_->mutex);
    auto found = std::find_if(shared_->items.begin(), shared_->items.end(),
                              [&](const Item& item) { return item.first == type; });
    if (found == shared_->items.end()) {
        shared_->items.emplace_back(std::string(type), std::string(value));
    } else {
        found->second = std::string(value);
    }
    publishLocked();
    return true;
}

std::optional<std::string> QtPasteboard::string(std::string_view type) const
{
    std::lock_guard lock(shared_->mutex);
    for (const Item& item : shared_->items) {
        if (item.first == type) {
            return item.second;
        }
    }
    return std::nullopt;
}

std::vector<std::string> QtPasteboard::types() const
{
    std::lock_guard lock(shared_->mutex);
    std::vector<std::string> names;
    for (const Item& item : shared_->items) {
        names.push_back(item.first);
    }
    return names;
}

long QtPasteboard::changeCount() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->changeCount;
}

void QtPasteboard::publishLocked()
{
    const std::uint64_t version = ++shared_->version;
    mainLoop_.post([weak = std::weak_ptr<Shared>(shared_), version] {
        const auto shared = weak.lock();
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!shared || !clipboard) {
            return;
        }
        auto* data = new QMimeData();
        {
            std::lock_guard lock(shared->mutex);
            // A later change is on its way with the newer content.
            if (shared->version != version) {
                delete data;
                return;
            }
            for (const Item& item : shared->items) {
                if (!item.second) {
                    continue;
                }
                const QString mime = QString::fromStdString(mimeTypeFor(item.first));
                if (item.first == Pasteboard::typeString) {
                    data->setText(QString::fromStdString(*item.second));
                } else {
                    data->setData(mime, QByteArray::fromStdString(*item.second));
                }
            }
            ++shared->ownWritesInFlight;
        }
        clipboard->setMimeData(data);
        // Some clipboards announce their own changes later or not at all.
        std::lock_guard lock(shared->mutex);
        shared->ownWritesInFlight = 0;
    });
}

}  // namespace qm
