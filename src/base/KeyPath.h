#pragma once

// Marks a function that every key-down runs through on the event tap's
// thread. Keys come at a person's pace, so each finds the code it runs cold,
// and on a virtual machine every page of it costs a page walk (around half a
// microsecond). Marked functions are kept side by side in one section, so a
// key's decision spans a few pages of code rather than one for each file it
// passes through.
#define QM_KEY_PATH [[gnu::hot]]
