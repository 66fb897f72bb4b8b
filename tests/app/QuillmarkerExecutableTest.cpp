// The real executable, started as a user would start it without a display.

#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <gtest/gtest.h>

#include "base/FileDescriptor.h"
#include "base/FileUtil.h"
#include "support/FakeNotificationServer.h"
#include "support/PrivateSessionBus.h"
#include "support/QtTestApplication.h"
#include "support/TempDir.h"
#include "support/ThreadsNamed.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// One run of the executable with a private home, its standard input a pipe
// the test writes, its output collected. Without a display, or on Qt's
// offscreen display (the program then runs as with a screen). While it waits,
// the test's own Qt events are handled, so servers the test runs answer.
class ProgramRun {
public:
    enum class Display { none, offscreen };

    ProgramRun(const TempDir& home, std::vector<std::string> arguments, Display display = Display::none)
    {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(input[0], STDIN_FILENO);
            ::dup2(output[1], STDOUT_FILENO);
            ::dup2(output[1], STDERR_FILENO);
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
                ::unsetenv(name);
            }
            if (display == Display::offscreen) {
                ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            }
            ::setenv("HOME", home.path().c_str(), 1);
            ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
            ::setenv("XDG_DOCUMENTS_DIR", (home / "Documents").c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(QM_EXECUTABLE)};
            for (auto& argument : arguments) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            ::execv(QM_EXECUTABLE, argv.data());
            ::_exit(127);
        }
        ::close(input[0]);
        ::close(output[1]);
        stdin_ = input[1];
        stdout_ = output[0];
    }

    ~ProgramRun()
    {
        closeInput();
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(stdout_);
    }

    void type(const std::string& text)
    {
        ASSERT_EQ(::write(stdin_, text.data(), text.size()), ssize_t(text.size()));
    }
    void closeInput()
    {
        if (stdin_ >= 0) {
            ::close(stdin_);
            stdin_ = -1;
        }
    }
    void signal(int number) { ::kill(pid_, number); }

    // Reads output until `fragment` shows up at or after `from` (true) or `limit` passes.
    bool waitForOutput(const std::string& fragment, std::chrono::milliseconds limit = 20s,
                       std::size_t from = 0)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (output_.find(fragment, from) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= until) {
                return false;
            }
            if (!readSome(20ms) && exited()) {
                return output_.find(fragment, from) != std::string::npos;
            }
            if (QCoreApplication::instance()) {
                QCoreApplication::processEvents();
            }
        }
        return true;
    }

    // The exit status once the process ended within `limit`.
    std::optional<int> wait(std::chrono::milliseconds limit = 20s)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            readSome(10ms);
            if (exited()) {
                while (readSome(0ms)) {
                }
                return WIFEXITED(*status_) ? WEXITSTATUS(*status_) : 128 + WTERMSIG(*status_);
            }
        }
        return std::nullopt;
    }

    const std::string& output() const { return output_; }
    pid_t pid() const { return pid_; }

private:
    bool exited()
    {
        int status = 0;
        if (status_ || ::waitpid(pid_, &status, WNOHANG) != pid_) {
            return status_.has_value();
        }
        status_ = status;
        return true;
    }

    bool readSome(std::chrono::milliseconds limit)
    {
        pollfd entry{stdout_, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(limit.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t count = ::read(stdout_, buffer, sizeof buffer);
        if (count <= 0) {
            return false;
        }
        output_.append(buffer, static_cast<std::size_t>(count));
        return true;
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    std::string output_;
    std::optional<int> status_;
};

TEST(QuillmarkerExecutableTest, AHeadlessNoteLandsInTheQuickCaptureFileAndTheProgramStopsCleanly)
{
    TempDir home;
    ProgramRun run(home, {"--headless"});
    ASSERT_TRUE(run.waitForOutput("Quillmarker is running")) << run.output();
    run.type("//note buy milk\n");
    run.closeInput();
    const auto status = run.wait();
    ASSERT_TRUE(status) << run.output();
    EXPECT_EQ(*status, 0) << run.output();
    EXPECT_NE(run.output().find("Quick Capture"), std::string::npos) << run.output();

    std::error_code error;
    const auto note = file::readAll(home / "Documents" / "Quillmarker" / "Quick Capture.md", error);
    ASSERT_TRUE(note) << run.output();
    EXPECT_TRUE(std::regex_match(*note, std::regex("# Quick Capture\n\n- \\[\\d\\d:\\d\\d\\] buy milk\n")))
        << *note;
    // The lock the program held is free again (the file may stay).
    const file::FileDescriptor lock(
        ::open((home / "data" / "com.quillmarker.app" / "Quillmarker.lock").c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(lock) << "the program took the lock";
    EXPECT_EQ(::flock(lock.get(), LOCK_EX | LOCK_NB), 0);
}

// What /proc shows of a process: `what` is "maps" or the like.
std::string procText(pid_t pid, const std::string& what)
{
    std::ifstream file(fs::path("/proc") / std::to_string(pid) / what);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// At rest the program holds nothing it has not needed yet: no network
// library mapped, no worker of the background pool, nobody watching the
// context for a briefing nobody asked for. A capture still lands as ever.
TEST(QuillmarkerExecutableTest, AtRestNothingIsHeldThatWasNotNeededYet)
{
    TempDir home;
    ProgramRun run(home, {"--headless"});
    ASSERT_TRUE(run.waitForOutput("Event tap successfully started")) << run.output();
    // Longer than the context watch would take to report the window in front.
    EXPECT_FALSE(run.waitForOutput("Context Transition Detected", 3s)) << run.output();
    EXPECT_EQ(procText(run.pid(), "maps").find("libcurl"), std::string::npos);
    EXPECT_EQ(threadsNamed("background", std::to_string(run.pid())), 0u);

    run.type("//note at rest\n");
    run.closeInput();
    EXPECT_EQ(run.wait(), 0) << run.output();
    std::error_code error;
    const auto note = file::readAll(home / "Documents" / "Quillmarker" / "Quick Capture.md", error);
    ASSERT_TRUE(note) << run.output();
    EXPECT_NE(note->find("] at rest\n"), std::string::npos) << *note;
}

TEST(QuillmarkerExecutableTest, OneCopyPerDataFolderAndACrashedCopyLeavesNoStaleLock)
{
    TempDir home;
    auto first = std::make_unique<ProgramRun>(home, std::vector<std::string>{"--headless"});
    ASSERT_TRUE(first->waitForOutput("Quillmarker is running")) << first->output();
    {
        ProgramRun second(home, {"--headless"});
        EXPECT_EQ(second.wait(), 1) << second.output();
        EXPECT_NE(second.output().find("another copy of Quillmarker is already running (process " +
                                       std::to_string(first->pid()) + ")"),
                  std::string::npos)
            << second.output();
        EXPECT_EQ(second.output().find("Quillmarker is running"), std::string::npos) << second.output();
    }
    {
        // Another data folder is another user's program: it runs beside the first.
        TempDir otherHome;
        ProgramRun other(otherHome, {"--headless"});
        ASSERT_TRUE(other.waitForOutput("Quillmarker is running")) << other.output();
        other.signal(SIGTERM);
        EXPECT_EQ(other.wait(), 0) << other.output();
    }

    first->signal(SIGKILL);
    EXPECT_EQ(first->wait(), 128 + SIGKILL);
    ProgramRun next(home, {"--headless"});
    ASSERT_TRUE(next.waitForOutput("Quillmarker is running")) << next.output();
    next.signal(SIGTERM);
    EXPECT_EQ(next.wait(), 0) << next.output();
}

TEST(QuillmarkerExecutableTest, WithoutATrayTheStatusMenuIsInTheHostWindow)
{
    TempDir home;
    ProgramRun run(home, {"--headless"});
    EXPECT_TRUE(run.waitForOutput("the menu is under \"Quillmarker\" in the host window's menu bar"))
        << run.output();
    run.signal(SIGTERM);
    EXPECT_EQ(run.wait(), 0) << run.output();
}

TEST(QuillmarkerExecutableTest, TerminationStopsTheProgramWithStatusZero)
{
    TempDir home;
    ProgramRun run(home, {"--headless"});
    ASSERT_TRUE(run.waitForOutput("Quillmarker is running")) << run.output();
    run.signal(SIGTERM);
    const auto status = run.wait();
    ASSERT_TRUE(status) << run.output();
    EXPECT_EQ(*status, 0) << run.output();
    EXPECT_NE(run.output().find("Quillmarker stopped"), std::string::npos);
}

// Another process reaches the running program over the session bus, as a
// user's script would with dbus-send: the tool server's toggle.
TEST(QuillmarkerExecutableTest, TheToolServerToggleArrivesOverTheSessionBus)
{
    PrivateSessionBus bus;
    TempDir home;
    ProgramRun run(home, {"--headless"});
    ASSERT_TRUE(run.waitForOutput("Quillmarker is running")) << run.output();
    EXPECT_EQ(run.output().find("MCP Server"), std::string::npos) << "off unless its setting is on";
    const int sent = std::system("dbus-send --session --type=signal /com/quillmarker/Distributed "
                                 "com.quillmarker.Distributed.Notification string:com.quillmarker.mcp.toggle "
                                 "string:true");
    ASSERT_EQ(sent, 0);
    // Listening, or refused because the fixed port is taken on this machine:
    // either way the program acted on the signal.
    ASSERT_TRUE(run.waitForOutput("Quillmarker MCP Server", 10s)) << run.output();
    run.signal(SIGTERM);
    EXPECT_EQ(run.wait(), 0) << run.output();
}

// The update notification, shown by the program and clicked in the
// notification server (its body, then its "Restart to Update" action), runs
// the install. Two such notifications wait in the program's schedule, due
// at once, as they would after a restart.
TEST(QuillmarkerExecutableTest, AClickOnTheUpdateNotificationRunsTheInstall)
{
    PrivateSessionBus bus;
    FakeNotificationServer notifications(bus);
    TempDir home;
    const double now = static_cast<double>(std::time(nullptr));
    std::string requests;
    for (const char* identifier : {"QUILLMRKER_APP_UPDATE", "QUILLMRKER_APP_UPDATE_AGAIN"}) {
        requests += std::string(requests.empty() ? "" : ",") + R"({"identifier": ")" + identifier +
                    R"(", "title": "Quillmarker 9.9 is ready", "body": "Restart to update.", )" +
                    R"("categoryIdentifier": "QUILLMRKER_UPDATE", "trigger": {"kind": "timeInterval", )" +
                    R"("interval": 1.0, "repeats": false, "registeredAt": )" + std::to_string(now - 1) +
                    R"(}, "fireAt": )" + std::to_string(now) + "}";
    }
    const fs::path data = home / "data" / "com.quillmarker.app";
    fs::create_directories(data);
    ASSERT_FALSE(file::writeAtomically(data / "notification-schedule.json",
                                       R"({"version": 1, "requests": [)" + requests + "]}"));

    ProgramRun run(home, {"--headless"});
    ASSERT_TRUE(run.waitForOutput("Quillmarker is running")) << run.output();
    ASSERT_TRUE(pumpQtUntil([&] { return notifications.notifyCalls().size() == 2; }, 10s)) << run.output();
    std::size_t from = run.output().size();
    for (const char* key : {"default", "RESTART_TO_UPDATE"}) {
        SCOPED_TRACE(key);
        const quint32 id =
            key == std::string("default") ? notifications.lastId() - 1 : notifications.lastId();
        notifications.invokeAction(id, key);
        // Nothing was downloaded in this run: the installer says so.
        ASSERT_TRUE(run.waitForOutput("AppUpdateChecker: Update Not Ready", 10s, from)) << run.output();
        from = run.output().find("AppUpdateChecker: Update Not Ready", from) + 1;
        // Return answers the installer's alert.
        pumpQtFor(300ms);
        run.type("\n");
        pumpQtFor(300ms);
    }
    run.signal(SIGTERM);
    EXPECT_EQ(run.wait(), 0) << run.output();
}

// A user's script shows a message on the HUD of the running program.
TEST(QuillmarkerExecutableTest, AnotherProcessShowsAHUDMessageOverTheSessionBus)
{
    PrivateSessionBus bus;
    TempDir home;
    ProgramRun run(home, {"--headless"});
    ASSERT_TRUE(run.waitForOutput("Quillmarker is running")) << run.output();
    const int sent = std::system("dbus-send --session --type=signal /com/quillmarker/Distributed "
                                 "com.quillmarker.Distributed.Notification string:com.quillmarker.hud.show "
                                 "'string:Build finished'");
    ASSERT_EQ(sent, 0);
    EXPECT_TRUE(run.waitForOutput("💬 HUDRequestHandler: message from another process: Build finished\n", 10s))
        << run.output();
    run.signal(SIGTERM);
    EXPECT_EQ(run.wait(), 0) << run.output();
}

// A file where the notes folder should be: the note cannot land. The text goes
// to the recovery log, the failure alert comes up, and its button opens the
// settings window, for which the program stays a regular application.
TEST(QuillmarkerExecutableTest, AFailedCaptureIsKeptInTheRecoveryLogAndRaisesTheAlert)
{
    PrivateSessionBus bus;
    TempDir home;
    fs::create_directories(home / "Documents");
    const std::error_code written = file::writeAtomically(home / "Documents" / "Quillmarker", "not a folder");
    ASSERT_FALSE(written) << written.message();

    ProgramRun run(home, {"--headless"});
    ASSERT_TRUE(run.waitForOutput("Quillmarker is running")) << run.output();
    run.type("//note buy milk\n");
    ASSERT_TRUE(run.waitForOutput("⚠️ CaptureFailurePresenter: //note didn't save")) << run.output();
    const std::size_t alertShown = run.output().find("⚠️ CaptureFailurePresenter");
    EXPECT_TRUE(run.waitForOutput("🪟 ActivationPolicy: regular", 5s, alertShown)) << run.output();

    std::error_code error;
    const auto log = file::readAll(home / "data" / "com.quillmarker.app" / "fallback_captures.log", error);
    ASSERT_TRUE(log) << error.message() << "\n" << run.output();
    EXPECT_TRUE(std::regex_search(
        *log, std::regex(R"(^\[[-0-9T:]+Z\] target=note error="[^\n]+" text="buy milk"\n$)")))
        << *log;

    // Return answers the alert's default button, as a person would.
    run.type("\n");
    EXPECT_FALSE(run.waitForOutput("🪟 ActivationPolicy: accessory", 2s, alertShown)) << run.output();
    run.closeInput();
    const auto status = run.wait();
    ASSERT_TRUE(status) << run.output();
    EXPECT_EQ(*status, 0) << run.output();
    EXPECT_FALSE(fs::is_directory(home / "Documents" / "Quillmarker"));
}

TEST(QuillmarkerExecutableTest, HelpAndBadOptions)
{
    TempDir home;
    {
        ProgramRun run(home, {"--help"});
        EXPECT_EQ(run.wait(), 0);
        EXPECT_NE(run.output().find("--headless"), std::string::npos);
        EXPECT_NE(run.output().find("standard input"), std::string::npos);
    }
    {
        ProgramRun run(home, {"--frobnicate"});
        EXPECT_EQ(run.wait(), 2);
        EXPECT_NE(run.output().find("unknown option --frobnicate"), std::string::npos);
    }
}

// A first start with a display shows onboarding, not capture; a script
// walks it from standard input as a person would with the keyboard (Return on
// the focused control, the Reminders prompt of the stand-ins answered with
// Return). Stopped before the last step, onboarding is not recorded, and the
// next start shows it again.
TEST(QuillmarkerExecutableTest, FirstStartShowsOnboardingWhichTheKeyboardWalksAndShowsAgainUntilDone)
{
    PrivateSessionBus bus;
    FakeNotificationServer notifications(bus);
    TempDir home;
    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE(start);
        ProgramRun run(home, {"--type-stdin", "--key-interval", "60"}, ProgramRun::Display::offscreen);
        ASSERT_TRUE(run.waitForOutput("Onboarding: step 1 of 4")) << run.output();
        ASSERT_TRUE(run.waitForOutput("Onboarding: Notifications granted")) << run.output();
        // As a person would, wait for the window to settle in front.
        pumpQtFor(1000ms);
        run.type("\n");
        ASSERT_TRUE(run.waitForOutput("Onboarding: step 2 of 4")) << run.output();
        // The Reminders button, then Return on the prompt.
        run.type("\n");
        pumpQtFor(500ms);
        run.type("\n");
        ASSERT_TRUE(run.waitForOutput("Onboarding: Reminders granted")) << run.output();
        EXPECT_EQ(run.output().find("Event tap successfully started"), std::string::npos)
            << "no capture while onboarding shows";
        run.signal(SIGTERM);
        EXPECT_EQ(run.wait(), 0) << run.output();
    }
    std::error_code error;
    const auto defaults = file::readAll(home / "config" / "com.quillmarker.app" / "defaults.json", error);
    EXPECT_TRUE(!defaults || defaults->find("hasCompletedOnboarding") == std::string::npos) << *defaults;
}

// The whole of onboarding from the keyboard, on a first start with a display:
// the two event-store prompts answered with Return, a practice capture in the
// sandbox, Tab to the step's button, the launch. Then capture runs (a note
// typed into the host window lands), and the next start goes straight to the
// agent.
TEST(QuillmarkerExecutableTest, CompletingOnboardingFromTheKeyboardStartsCaptureAndIsNotShownAgain)
{
    PrivateSessionBus bus;
    FakeNotificationServer notifications(bus);
    TempDir home;
    {
        ProgramRun run(home, {"--type-stdin", "--key-interval", "40"}, ProgramRun::Display::offscreen);
        ASSERT_TRUE(run.waitForOutput("Onboarding: step 1 of 4")) << run.output();
        ASSERT_TRUE(run.waitForOutput("Onboarding: Notifications granted")) << run.output();
        pumpQtFor(1000ms);
        run.type("\n");
        ASSERT_TRUE(run.waitForOutput("Onboarding: step 2 of 4")) << run.output();
        for (const char* permission : {"Reminders", "Calendar"}) {
            SCOPED_TRACE(permission);
            // The card's button, then Return on the prompt once it is up.
            run.type("\n");
            pumpQtFor(500ms);
            run.type("\n");
            ASSERT_TRUE(run.waitForOutput(std::string("Onboarding: ") + permission + " granted"))
                << run.output();
            pumpQtFor(500ms);
        }
        // Every card granted: Return continues.
        run.type("\n");
        ASSERT_TRUE(run.waitForOutput("Onboarding: step 3 of 4")) << run.output();
        pumpQtFor(500ms);
        run.type("//note ");
        pumpQtFor(500ms);
        run.type("first try\n");
        pumpQtFor(500ms);
        run.type("\t\n");
        ASSERT_TRUE(run.waitForOutput("Onboarding: step 4 of 4")) << run.output();
        pumpQtFor(500ms);
        run.type("\n");
        ASSERT_TRUE(run.waitForOutput("Onboarding: complete")) << run.output();
        ASSERT_TRUE(run.waitForOutput("Event tap successfully started")) << run.output();
        pumpQtFor(500ms);
        run.type("//note after onboarding\n");
        run.closeInput();
        const auto status = run.wait();
        ASSERT_TRUE(status) << run.output();
        EXPECT_EQ(*status, 0) << run.output();
        EXPECT_EQ(run.output().find("was not typed"), std::string::npos) << run.output();

        std::error_code error;
        const auto note = file::readAll(home / "Documents" / "Quillmarker" / "Quick Capture.md", error);
        ASSERT_TRUE(note) << error.message() << "\n" << run.output();
        EXPECT_TRUE(std::regex_match(
            *note, std::regex("# Quick Capture\n\n- \\[\\d\\d:\\d\\d\\] after onboarding\n")))
            << *note << "\nthe practice capture stays in the sandbox";
    }
    {
        ProgramRun run(home, {"--type-stdin", "--key-interval", "40"}, ProgramRun::Display::offscreen);
        ASSERT_TRUE(run.waitForOutput("Event tap successfully started")) << run.output();
        EXPECT_EQ(run.output().find("Onboarding: step"), std::string::npos) << run.output();
        run.signal(SIGTERM);
        EXPECT_EQ(run.wait(), 0) << run.output();
    }
}

}  // namespace
}  // namespace qm::test
