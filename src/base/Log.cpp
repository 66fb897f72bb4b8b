#include "base/Log.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>

namespace qm {

namespace {

struct Sinks {
    std::mutex mutex;
    int nextId = 1;
    std::map<int, std::vector<std::string>> captures;
};

Sinks& sinks()
{
    static Sinks instance;
    return instance;
}

void emit(std::FILE* stream, std::string_view line)
{
    auto& s = sinks();
    std::lock_guard lock(s.mutex);
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
    for (auto& [id, lines] : s.captures) {
        lines.emplace_back(line);
    }
}

}  // namespace

void Log::print(std::string_view line)
{
    emit(stdout, line);
}

void Log::log(std::string_view line)
{
    emit(stderr, line);
}

Log::Capture::Capture()
{
    auto& s = sinks();
    std::lock_guard lock(s.mutex);
    id_ = s.nextId++;
    s.captures[id_];
}

Log::Capture::~Capture()
{
    auto& s = sinks();
    std::lock_guard lock(s.mutex);
    s.captures.erase(id_);
}

std::vector<std::string> Log::Capture::lines() const
{
    auto& s = sinks();
    std::lock_guard lock(s.mutex);
    return s.captures.at(id_);
}

bool Log::Capture::contains(std::string_view fragment) const
{
    return count(fragment) > 0;
}

std::size_t Log::Capture::count(std::string_view fragment) const
{
    const auto all = lines();
    return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [&](const std::string& line) {
        return line.find(fragment) != std::string::npos;
    }));
}

void Log::Capture::clear()
{
    auto& s = sinks();
    std::lock_guard lock(s.mutex);
    s.captures.at(id_).clear();
}

}  // namespace qm
