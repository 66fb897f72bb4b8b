#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qm {

class AlertPresenter;

// A modal alert: a message, an explanation and buttons, shown until the user
// answers. The answer is the platform's modal response: the first button
// added answers alertFirstButtonReturn, the next one 1001, and so on.
struct Alert {
    enum class Style {
        warning = 0,
        informational = 1,
        critical = 2,
    };
    using ModalResponse = long;

    static constexpr ModalResponse alertFirstButtonReturn = 1000;
    static constexpr ModalResponse alertSecondButtonReturn = 1001;
    static constexpr ModalResponse alertThirdButtonReturn = 1002;

    // The response of the button at `index` (0 for the first button added).
    static constexpr ModalResponse buttonReturn(std::size_t index)
    {
        return alertFirstButtonReturn + static_cast<ModalResponse>(index);
    }

    std::string messageText;
    std::string informativeText;
    Style alertStyle = Style::warning;
    // Button titles in the order added; the first is the default button.
    std::vector<std::string> buttons;

    void addButton(std::string title) { buttons.push_back(std::move(title)); }

    // Shows the alert with `presenter` and waits for the answer, on the main
    // thread. An alert without buttons shows one "OK".
    ModalResponse runModal(AlertPresenter& presenter) const;

    bool operator==(const Alert&) const = default;
};

}  // namespace qm
