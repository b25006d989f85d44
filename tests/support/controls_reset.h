// Every test control and every module global of the show back to its start: the display,
// kernel and sound controls, the trace (off and empty) and the show window's flags and state.
// Tests that share a process call it before and after each test, so no test sees another's.
#pragma once

void ResetControlsAndGlobals();

// Fills the stack below the caller with 0xA5 bytes. Called just before a call of the system's,
// it leaves that call's locals holding the pattern rather than the zeros a fresh stack has, so a
// field the system leaves unset shows in what it passes on.
void FillStackBelow();
