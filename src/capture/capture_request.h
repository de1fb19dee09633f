#pragma once

// A capture asked for from outside the window: on the command line, by a desktop action, or over
// the session bus by a later start of the program.
enum class CaptureRequest { Area, Window, Screen, Delay };
