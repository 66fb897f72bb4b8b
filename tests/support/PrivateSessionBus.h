#pragma once

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QString>

#include "support/QtTestApplication.h"
#include "support/TempDir.h"

extern char** environ;

namespace qm::test {

// A session bus of the test's own: a dbus-daemon started with a minimal
// configuration (no service activation, so no real notification server can be
// launched onto it), with DBUS_SESSION_BUS_ADDRESS pointing at it while it
// lives, so that tools the test runs (dbus-send) reach it too. The destructor
// drops the test's connections, stops the daemon and restores the variable.
// Header-only: the support library's sources are listed one by one.
class PrivateSessionBus {
public:
    PrivateSessionBus()
    {
        qtApplication();
        const auto config = folder_ / "session.conf";
        std::ofstream(config)
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:dir="
            << folder_.path().string()
            << "</listen>\n"
               "  <policy context=\"default\">\n"
               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
               "    <allow eavesdrop=\"true\"/>\n"
               "    <allow own=\"*\"/>\n"
               "  </policy>\n"
               "</busconfig>\n";
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) {
            throw std::runtime_error("PrivateSessionBus: pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        // Its complaints about resource limits it may not raise are noise here.
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::string configArgument = "--config-file=" + config.string();
        std::vector<char*> argv{const_cast<char*>("dbus-daemon"), configArgument.data(),
                                const_cast<char*>("--nofork"), const_cast<char*>("--print-address=1"),
                                nullptr};
        const int spawned = posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        if (spawned != 0) {
            close(pipeFds[0]);
            throw std::runtime_error("PrivateSessionBus: cannot start dbus-daemon (run scripts/setup)");
        }
        address_ = readLine(pipeFds[0], std::chrono::seconds(5));
        close(pipeFds[0]);
        if (address_.empty()) {
            stop();
            throw std::runtime_error("PrivateSessionBus: dbus-daemon printed no address within 5 s");
        }
        if (const char* old = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
            previousAddress_ = old;
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    }

    ~PrivateSessionBus()
    {
        for (const auto& name : connections_) {
            QDBusConnection::disconnectFromBus(name);
        }
        stop();
        if (previousAddress_) {
            setenv("DBUS_SESSION_BUS_ADDRESS", previousAddress_->c_str(), 1);
        } else {
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
        }
    }

    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    const std::string& address() const { return address_; }

    // A new connection to this bus, as another process would have.
    QDBusConnection connect()
    {
        static int next = 0;
        const QString name = QStringLiteral("qm-test-bus-%1").arg(++next);
        connections_.push_back(name);
        return QDBusConnection::connectToBus(QString::fromStdString(address_), name);
    }

private:
    static std::string readLine(int fd, std::chrono::milliseconds timeout)
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (line.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd readable{fd, POLLIN, 0};
            if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
                return {};
            }
            char buffer[256];
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got <= 0) {
                return {};
            }
            line.append(buffer, static_cast<std::size_t>(got));
        }
        return line.substr(0, line.find('\n'));
    }

    void stop()
    {
        if (pid_ <= 0) {
            return;
        }
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = 0;
    }

    TempDir folder_;
    pid_t pid_ = 0;
    std::string address_;
    std::optional<std::string> previousAddress_;
    std::vector<QString> connections_;
};

}  // namespace qm::test
