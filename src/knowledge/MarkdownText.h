#pragma once

#include <string>
#include <string_view>

namespace qm::markdown {

// A note's text as the knowledge index stores it: on one line, with the
// markup a reader does not see taken out. In this order:
//   1. heading marks and the white space after them, when they open the text;
//   2. every "*" and every "_", also inside words;
//   3. "[text](target)" becomes its text (the text at least one character);
//   4. "![text](target)" goes, text and all (step 3 has already turned one
//      with a text into "!text");
//   5. every run of white space becomes one blank;
//   6. white space at both ends goes.
// White space is Unicode's White_Space property; invalid UTF-8 is first
// replaced as the rest of the system decodes it. One pass over the text per
// step, whatever the input: a note is never scanned again from every bracket.
std::string strippedToOneLine(std::string_view text);

}  // namespace qm::markdown
