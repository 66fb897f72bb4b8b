#pragma once

namespace qm {

// The kinds of text field the stand-in desktop offers.
enum class SimTextKind {
    singleLine,  // AXTextField: Return inserts nothing, Tab moves to the next field
    multiLine,   // AXTextArea: Return inserts "\n", Tab inserts "\t"
    secure,      // AXTextField with subrole AXSecureTextField: a password field
};

}  // namespace qm
