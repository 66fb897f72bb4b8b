#pragma once

// Where the screenshot tests write their pictures: <build folder>/screenshots.

#include <cstdio>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

namespace qm::test {

inline std::filesystem::path screenshotFolder()
{
    const std::filesystem::path folder =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()).parent_path() /
        "screenshots";
    std::filesystem::create_directories(folder);
    return folder;
}

// Saves `widget` as it is drawn now; checks that something was drawn.
inline void save(QWidget& widget, const std::string& name)
{
    QApplication::processEvents();
    const QImage image = widget.grab().toImage();
    ASSERT_FALSE(image.isNull()) << name;
    const auto file = screenshotFolder() / (name + ".png");
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()))) << file;
    EXPECT_GT(std::filesystem::file_size(file), 500u) << file;
    std::printf("screenshot: %s (%d x %d)\n", file.c_str(), image.width(), image.height());
}

}  // namespace qm::test
