// Loaded with LD_PRELOAD into a program that the tests want slow at talking to the display: each
// wait for the display (the display library waits in poll) first lasts a while longer.
#include <dlfcn.h>
#include <poll.h>

#include <chrono>
#include <thread>

extern "C" int poll(pollfd* descriptors, nfds_t count, int timeout)
{
    static const auto next =
        reinterpret_cast<int (*)(pollfd*, nfds_t, int)>(dlsym(RTLD_NEXT, "poll"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return next(descriptors, count, timeout);
}
