#pragma once

#include <chrono>
#include <functional>

class QApplication;

namespace qm::test {

// The one Qt application object of a test process, made on first use on the
// calling thread (the test's main thread), on the offscreen platform that
// TestMain selects. It lives until the process ends.
QApplication& qtApplication();

// Runs Qt's event loop until `done` holds or `timeout` of real time has
// passed; returns the last answer of `done`.
bool pumpQtUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// Runs Qt's event loop for about `duration`.
void pumpQtFor(std::chrono::milliseconds duration);

}  // namespace qm::test
