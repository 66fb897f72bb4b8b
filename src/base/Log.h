#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The console of the system. Lines keep the system's own format: an emoji, the
// component's name, then the message ("❌ SQLite Query Error: ...").
//
// "printed" lines go to standard output and "logged" lines to standard error,
// so both can be told apart as the system does; a test can capture both.
class Log {
public:
    static void print(std::string_view line);
    static void log(std::string_view line);

    // Collects every line printed or logged by any thread while it lives.
    // Captures nest; lines still reach the console.
    class Capture {
    public:
        Capture();
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;

        std::vector<std::string> lines() const;
        bool contains(std::string_view fragment) const;
        std::size_t count(std::string_view fragment) const;
        void clear();

    private:
        int id_;
    };
};

}  // namespace qm
