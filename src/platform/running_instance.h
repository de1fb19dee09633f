#pragma once

#include "capture/capture_request.h"

#include <QString>

#include <functional>
#include <memory>

// One running program for the captures asked for from outside: the first one to start takes a
// name in the session, and a later start with a capture to do hands it over and ends
// (running_instance_dbus.cpp: the session bus).
namespace platform
{

// What the running program does with a request (`seconds` only for a delay): empty when it has
// taken it on, otherwise the reason it refuses.
using RequestHandler = std::function<QString(CaptureRequest request, int seconds)>;

// The name held while it lives.
class InstanceName
{
public:
    virtual ~InstanceName() = default;
};

// Takes the name for this program, serving requests with `handler` from the event loop; none when
// another program holds it already or the session has no bus.
std::unique_ptr<InstanceName> claimInstanceName(RequestHandler handler);

// What became of a request handed over.
struct HandOver {
    enum Outcome { Taken, NoneRunning, Refused } outcome;
    QString reason; // for Refused
};

// Hands `request` to the program holding the name, never starting one for it.
HandOver handToRunningInstance(CaptureRequest request, int seconds);

} // namespace platform
