// The program's entry: reads the options, picks a display (or none), starts
// the application on Qt's event loop and stops it cleanly on quit, on SIGTERM
// and SIGINT, and when standard input ends in headless mode.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <fmt/format.h>

#include "app/SingleInstanceLock.h"
#include "app/views/DesktopApplication.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "platform/storage/UserDefaults.h"

namespace {

constexpr std::string_view kHelp =
    R"(Usage: quillmarker [--headless] [--type-stdin] [--key-interval MS] [--help]

Quillmarker captures a line of text from any text field: type //note (or
//copy, //timer 25m, ...) and a space, then your line, then Return.

This machine has no other applications whose fields Quillmarker could reach,
so it brings its own stand-in desktop: a host window with one text field
("Notes - Draft") to type into. With a display you see the status item, the
host window and, on first start, onboarding. Where no tray exists, the same
menu is reachable from the host window.

Without a display (no DISPLAY or WAYLAND_DISPLAY, or --headless) the program
runs on Qt's offscreen platform and types standard input into the host
window, one character at a time; a line feed is Return. For example

  printf '//note buy milk\n' | quillmarker --headless

appends "- [HH:mm] buy milk" to Documents/Quillmarker/Quick Capture.md. The
program quits once its input has ended and the last capture has landed; the
log lines on standard output and standard error say where each capture went.

Options:
  --headless          run without a display, reading keys from standard input
  --type-stdin        with a display too, type standard input into the window
                      that has the keyboard (onboarding on a first start; a
                      tab moves the keyboard to the next control)
  --key-interval MS   milliseconds between typed keys (default 20)
  --help              show this text

Files: the rules database, secrets, recovery log and schedules live in
$XDG_DATA_HOME/com.quillmarker.app (default ~/.local/share); settings in
$XDG_CONFIG_HOME. One copy runs per data folder: a second one says that
another copy is running and exits with status 1.
)";

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(signalPipe[1], &byte, 1);
}

// The offscreen platform says so each time a window asks for what it cannot
// do (opacity, raising); those lines would bury the program's own.
void quietOffscreenMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QStringLiteral("This plugin does not support"))) {
        return;
    }
    std::fputs(qFormatLogMessage(type, context, message).toLocal8Bit().append('\n').constData(), stderr);
}

bool hasDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (const char* value = std::getenv(name); value && *value) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace qm;

    DesktopApplication::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kHelp.data(), stdout);
            return 0;
        }
        if (argument == "--headless") {
            options.headless = true;
        } else if (argument == "--type-stdin") {
            options.typeStandardInput = true;
        } else if (argument == "--key-interval" && i + 1 < argc) {
            options.keyIntervalMs = std::atoi(argv[++i]);
            if (options.keyIntervalMs < 0 || options.keyIntervalMs > 10000) {
                std::fputs("quillmarker: --key-interval takes 0 to 10000 milliseconds\n", stderr);
                return 2;
            }
        } else {
            std::fprintf(stderr, "quillmarker: unknown option %s (see --help)\n", argv[i]);
            return 2;
        }
    }
    if (!hasDisplay()) {
        options.headless = true;
    }
    if (options.headless) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qInstallMessageHandler(quietOffscreenMessages);
    }

    const auto support = paths::applicationSupport();
    const auto defaultsFile = UserDefaults::standardFilePath();
    if (!support || !defaultsFile) {
        std::fputs("quillmarker: no home folder: set HOME or XDG_DATA_HOME\n", stderr);
        return 1;
    }
    options.applicationSupport = *support;
    options.defaultsFile = *defaultsFile;

    // Held until main returns; the kernel lets go of it if the process dies.
    const SingleInstanceLock instanceLock(*support / paths::kBundleIdentifier);
    switch (instanceLock.status()) {
    case SingleInstanceLock::Status::acquired:
        break;
    case SingleInstanceLock::Status::heldElsewhere: {
        const std::string holder =
            instanceLock.holder() ? fmt::format(" (process {})", *instanceLock.holder()) : std::string();
        std::fputs(fmt::format("quillmarker: another copy of Quillmarker is already running{} with the data "
                               "folder {}; quit it before starting this one\n",
                               holder, (*support / paths::kBundleIdentifier).string())
                       .c_str(),
                   stderr);
        return 1;
    }
    case SingleInstanceLock::Status::unavailable:
        // Without the lock the program still works; only a second copy goes unnoticed.
        std::fputs(fmt::format("quillmarker: warning: {}; a second copy would not be noticed\n",
                               instanceLock.error())
                       .c_str(),
                   stderr);
        break;
    }

    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Quillmarker"));
    // The program lives in the status bar: closing a window never ends it.
    application.setQuitOnLastWindowClosed(false);

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("quillmarker: pipe");
        return 1;
    }
    QSocketNotifier signalReader(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalReader, &QSocketNotifier::activated, [] {
        char byte;
        while (::read(signalPipe[0], &byte, 1) > 0) {
        }
        QApplication::quit();
    });
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);

    int status = 0;
    {
        DesktopApplication app(options);
        app.launch();
        Log::print(
            fmt::format("🚀 Quillmarker is running ({})", options.headless ? "headless" : "with a display"));
        status = application.exec();
        app.terminate();
    }
    Log::print("👋 Quillmarker stopped");
    return status;
}
