#pragma once

// One key press from the controlling terminal itself, without echo, so that a
// prompt works with standard input redirected.
//
// Returns the character of the key, or -1 when there is no terminal to read
// from (or it went away). The terminal's mode is restored before returning,
// also when a signal ends the process while it waits.
int ReadKeyPress();
