// Every test control and every module global of the show back to its start: the display,
// kernel and sound controls, the trace (off and empty) and the show window's flags and state.
// Tests that share a process call it before and after each test, so no test sees another's.
#pragma once

void ResetControlsAndGlobals();
