#pragma once

// The clipboard after the program has ended (clipboard_handoff_x11.cpp, and the keeper program
// clipboard_keeper_x11.cpp installed beside this one).
namespace platform
{

// Called as the program ends, its event loop finished: when the program still owns the clipboard
// and no clipboard manager will take it over, a small keeper process copies the data and serves
// it until another program takes the clipboard. Returns once the keeper has it, or at once when
// nothing is to be kept.
void handClipboardToKeeper();

} // namespace platform
