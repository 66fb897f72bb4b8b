#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/SerialQueue.h"
#include "platform/storage/DefaultsValue.h"

namespace qm {

class NotificationCenter;

// The user's preferences: typed values under plain keys, kept in a JSON file
// (see DefaultsCodec) and readable and writable from any thread.
//
// Reads answer from the stored values, then from the registered defaults.
// A change is visible to every reader at once and written to the file right
// away on a private queue (atomically, mode 0600), so callers never wait for the
// disk; changes that pile up during a write are saved together by the next one.
// synchronize() and destruction wait until the file holds every change; the
// standard instance also synchronizes when the process exits. A file that cannot
// be parsed is moved aside ("<file>.corrupt", then ".corrupt-2" ...) with a "❌"
// line and the defaults start empty; a file that cannot be read or moved aside
// is left alone, and changes then stay in memory only, so it is never
// overwritten.
//
// Typed getters convert between the numeric kinds and Booleans:
//   boolForKey     Boolean; a number is true unless zero; a string "true"/"yes"
//                  (any case) is true, "false"/"no" false, and a numeric string
//                  counts as its number. Anything else, or absent: false.
//   integerForKey  Integer; a double is truncated toward zero (clamped to the
//                  int64 range, NaN 0); a Boolean is 1 or 0; a string that is a
//                  whole number (or a decimal, truncated) after trimming spaces
//                  counts as that number. Anything else, or absent: 0.
//   doubleForKey   the same rules with doubles. Absent: 0.
// The other getters answer only for a value of their own kind.
class UserDefaults {
public:
    // Posted to the centre given at construction, on the thread that made the
    // change, after a set or removal that changed a stored value. Object: this
    // UserDefaults. No userInfo.
    static constexpr const char* kDidChangeNotification = "UserDefaultsDidChange";

    // An empty `file` keeps everything in memory.
    explicit UserDefaults(std::filesystem::path file, NotificationCenter* center = nullptr);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // "$XDG_CONFIG_HOME/com.quillmarker.app/defaults.json".
    static std::optional<std::filesystem::path> standardFilePath();

    std::optional<DefaultsValue> objectForKey(const std::string& key) const;
    bool boolForKey(const std::string& key) const;
    std::int64_t integerForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<DefaultsValue::Data> dataForKey(const std::string& key) const;
    std::optional<DefaultsValue::Array> arrayForKey(const std::string& key) const;
    // Only an array whose elements are all strings.
    std::optional<std::vector<std::string>> stringArrayForKey(const std::string& key) const;
    std::optional<DefaultsValue::Dictionary> dictionaryForKey(const std::string& key) const;

    void set(const std::string& key, DefaultsValue value);
    void removeObjectForKey(const std::string& key);

    // Values that answer reads while nothing is stored under their key. They
    // are never saved; a later registration of a key replaces the earlier one.
    void registerDefaults(const DefaultsValue::Dictionary& defaults);

    // Waits until every change made so far is on disk (or its save failed and
    // was logged). Any thread.
    void synchronize();

    const std::filesystem::path& filePath() const { return file_; }

    // False when the file could not be read or moved aside (see above).
    bool isPersisting() const;

private:
    void load();
    void moveAside(const std::string& reason);
    void scheduleSave();
    void save();
    void changed(bool valueChanged);

    const std::filesystem::path file_;
    NotificationCenter* const center_;

    mutable std::mutex mutex_;
    DefaultsValue::Dictionary values_;
    DefaultsValue::Dictionary registered_;
    bool persisting_ = true;
    bool saveScheduled_ = false;

    // Writes the file; last member, so it is drained before the rest goes.
    std::unique_ptr<SerialQueue> saveQueue_;
};

}  // namespace qm
