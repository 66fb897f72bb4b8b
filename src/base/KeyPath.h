#pragma once

// Marks a function that every key-down runs through on the event tap's
// thread. Keys come at a person's pace, so each finds the code it runs cold,
// and on a virtual machine every page of it costs a page walk (around half a
// microsecond). Marked functions are kept side by side in one section, so a
// key's decision spans a couple of pages of code rather than one for each
// file it passes through. (The linker sorts .text.sorted.* sections by name.)
#define QM_KEY_PATH [[gnu::hot, gnu::section(".text.sorted.qm_key_path.0")]]

// Marks a function that the keys beyond a plain character run through as
// well (Space, Return, Delete, letters beyond ASCII, the key completing a
// trigger): kept right after the plain key's code, not among it.
#define QM_OTHER_KEY_PATH [[gnu::hot, gnu::section(".text.sorted.qm_key_path.1")]]
