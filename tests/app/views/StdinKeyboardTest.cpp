// The standard-input keyboard over Qt's offscreen platform, where closing the
// window with the keyboard hands it to no one.
#include <chrono>
#include <memory>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/views/StdinKeyboard.h"
#include "base/FileDescriptor.h"
#include "support/QtTestApplication.h"

namespace qm::test {
namespace {

using namespace std::chrono_literals;

// A window with one line edit, shown and given the keyboard.
struct TypingWindow {
    explicit TypingWindow(const char* title)
    {
        window.setWindowTitle(QString::fromUtf8(title));
        auto* layout = new QVBoxLayout(&window);
        field = new QLineEdit(&window);
        layout->addWidget(field);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        field->setFocus();
    }

    QWidget window;
    QLineEdit* field = nullptr;
};

class StdinKeyboardTest : public ::testing::Test {
protected:
    StdinKeyboardTest()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
            throw std::runtime_error("pipe failed");
        }
        reader = file::FileDescriptor(ends[0]);
        writer = file::FileDescriptor(ends[1]);
    }

    void start()
    {
        keyboard = std::make_unique<StdinKeyboard>(
            reader.get(), 1, [] { return false; }, [this] { ended = true; });
    }

    void type(const std::string& text)
    {
        ASSERT_EQ(::write(writer.get(), text.data(), text.size()), ssize_t(text.size()));
    }

    // Types `text` and waits until every key went out.
    void typeAll(const std::string& text)
    {
        type(text);
        writer.reset();
        ASSERT_TRUE(pumpQtUntil([this] { return ended; }, 5000ms));
    }

    QApplication& application = qtApplication();
    file::FileDescriptor reader;
    file::FileDescriptor writer;
    std::unique_ptr<StdinKeyboard> keyboard;
    bool ended = false;
};

TEST_F(StdinKeyboardTest, KeysGoToTheWindowWithTheKeyboard)
{
    TypingWindow first("first");
    TypingWindow second("second");
    pumpQtFor(50ms);
    start();
    typeAll("héllo");
    EXPECT_EQ(second.field->text(), QStringLiteral("héllo"));
    EXPECT_TRUE(first.field->text().isEmpty());
}

// A prompt over a window closes; the platform gives the keyboard to no one.
// The next keys go to the window that had it before, not nowhere.
TEST_F(StdinKeyboardTest, WhenTheWindowWithTheKeyboardClosesTheKeysGoToTheOneBefore)
{
    TypingWindow host("host");
    pumpQtFor(50ms);
    start();
    {
        TypingWindow prompt("prompt");
        pumpQtFor(50ms);
        type("a");
        ASSERT_TRUE(pumpQtUntil([&] { return prompt.field->text() == QStringLiteral("a"); }, 2000ms));
        prompt.window.close();
        pumpQtFor(50ms);
        ASSERT_EQ(QApplication::focusWidget(), nullptr) << "the platform kept the keyboard somewhere";
    }
    pumpQtFor(50ms);
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    typeAll("bc");
    EXPECT_EQ(host.field->text(), QStringLiteral("bc"));
    EXPECT_TRUE(host.window.isActiveWindow());
}

TEST_F(StdinKeyboardTest, WithNoWindowShownKeysAreDroppedAndTheInputStillEnds)
{
    {
        TypingWindow gone("gone");
        pumpQtFor(50ms);
        start();
        gone.window.close();
    }
    pumpQtFor(50ms);
    typeAll("xyz");
    EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace qm::test
