#pragma once

// Marks a function that every key-down runs through on the event tap's
// thread. Keys come at a person's pace, so each finds the code it runs cold,
// and on a virtual machine every page of it costs a page walk (around half a
// microsecond). Marked functions are kept side by side, from the start of a
// page (see QM_KEY_PATH_START), so that a plain character's decision spans
// one page of code rather than one for each file it passes through. (The
// linker sorts .text.sorted.* sections by name.)
#define QM_KEY_PATH [[gnu::hot, gnu::section(".text.sorted.qm_key_path.1")]]

// Marks a function that the keys beyond a plain character run through as
// well (Space, Return, Delete, letters beyond ASCII, the key completing a
// trigger): kept right after the plain key's code, not among it.
#define QM_OTHER_KEY_PATH [[gnu::hot, gnu::section(".text.sorted.qm_key_path.2")]]

// Placed before every QM_KEY_PATH function and aligned to a page, so that
// they start on a page of their own. Used once, in a file every program with
// an event tap links.
#define QM_KEY_PATH_START                                                                                    \
    [[gnu::used, gnu::noinline, gnu::aligned(4096), gnu::section(".text.sorted.qm_key_path.0")]] void        \
    keyPathStart()                                                                                           \
    {                                                                                                        \
    }
