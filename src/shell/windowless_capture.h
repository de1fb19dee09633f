#pragma once

#include "shell/command_line.h"
#include "ui/messages.h"

// Runs a capture that shows no window at all, its picture going to a file, the standard output
// or the clipboard; returns the program's exit status. A failure is written to the standard
// error as one line; nothing is left of a file that could not be written whole.
int runWindowless(const CommandLine& line);

// What would be a message box writes one line to the standard error instead: a program without
// windows must not stop for someone to click OK.
class ErrorLines : public Messages
{
public:
    void show(MessageKind kind, const QString& text) override;
};
