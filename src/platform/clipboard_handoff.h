#pragma once

#include <QString>

// The clipboard after the program has ended. On X11 (Xwayland too) the keeper program
// src/keeper/clipboard_keeper_x11.cpp installed beside this one serves it
// (clipboard_handoff_x11.cpp); a Wayland client hands it to wl-copy of wl-clipboard
// (clipboard_handoff_wayland.cpp). clipboard_handoff.cpp picks one for the session.
namespace platform
{

// How the hand-over went: the picture stays pasteable, or it was lost, and why.
struct ClipboardHandOver {
    bool kept = true;
    QString reason; // for the person, when not kept
};

// Throws std::runtime_error with the reason when what the program puts on the clipboard could not
// outlive it: the keeper is missing or does not start. Called before the clipboard is taken, so
// that whatever it holds stays there when the picture could not.
void requireClipboardKeeper();

// Called as the program ends, its event loop finished: when the program still owns the clipboard
// and no clipboard manager will take it over, a small keeper process copies the data and serves
// it until another program takes the clipboard. Returns once the keeper has it (or another
// program has taken the clipboard meanwhile), at once when nothing is to be kept, and otherwise
// once the keeper has ended or stopped asking for the data.
ClipboardHandOver handClipboardToKeeper();

// The same for each kind of session.
void requireX11ClipboardKeeper();
ClipboardHandOver handClipboardToX11Keeper();
void requireWaylandClipboardKeeper();
ClipboardHandOver handClipboardToWaylandKeeper();

// What a hand-over that failed tells the person.
ClipboardHandOver clipboardLost(const QString& why);
[[noreturn]] void failToKeepClipboard(const QString& why);

} // namespace platform
