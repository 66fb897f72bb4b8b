#pragma once

#include <unicode/brkiter.h>

namespace qm::text {

// This thread's break iterator over user-perceived characters (root locale), or
// null if ICU could not load its rules. Creating one loads rules, so each
// thread keeps one; callers set its text before use.
icu::BreakIterator* characterBreakIterator();

}  // namespace qm::text
