// framegrove-clipboard-keeper WINDOW: started by Framegrove as it exits while it still owns the
// clipboard and no clipboard manager runs. Copies what WINDOW offers on the clipboard, takes the
// clipboard over and serves the same data to whoever pastes, until another program takes the
// clipboard. It holds no files open, works from "/", and its window is never mapped. One keeper
// per display: a newer keeper takes the keeper selection once it holds the data, and the older
// one leaves.
// framegrove-clipboard-keeper --check: ends with status 0 when it can reach the display.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

// A paste that has not taken its next piece for this long has been given up by its requestor.
constexpr auto TransferIdle = std::chrono::seconds(30);
// The longest wait for one answer of the owner while it still holds the clipboard: encoding the
// picture of the largest screens takes it seconds; one that takes this long has hung.
constexpr auto OwnerAnswer = std::chrono::seconds(120);
// How often the wait asks the server whether the owner still holds the clipboard.
constexpr auto OwnerCheck = std::chrono::seconds(1);
// Large pastes served at once; a new one beyond it drops the one idle longest.
constexpr size_t MaxTransfers = 64;

// Windows that the server said do not exist (a requestor that has gone, or never was), noted by
// the error handler for the serving loop. At namespace scope: Xlib's error handler is a plain
// function that carries no state of ours.
std::vector<XID> missingWindows;

// The same data again, as the owner gave it: type, item size in bits and the items as Xlib
// hands them out (32-bit items are longs). Targets that are other names of one format share the
// items.
struct Offer {
    Atom target = None;
    Atom type = None;
    int format = 8;
    std::shared_ptr<const std::vector<unsigned char>> bytes;
};

// Targets whose data is byte for byte that of another target, when the owner offers both: asked
// for once, and offered under both names.
struct OtherName {
    const char* name;
    const char* of;
};
constexpr OtherName OtherNames[] = {{"application/x-qt-image", "image/png"},
                                    {"image/jpg", "image/jpeg"}};

size_t itemBytes(int format)
{
    return format == 32 ? sizeof(long) : format == 16 ? sizeof(short) : 1;
}

// A large offer handed out piece by piece to one requestor, into one of its properties.
struct Transfer {
    const Offer* offer;
    size_t sent;
    bool finished;
    Clock::time_point lastPiece;
};
using TransferKey = std::pair<Window, Atom>;

class Keeper
{
public:
    explicit Keeper(Display* display)
        : display_(display), clipboard_(atom("CLIPBOARD")),
          lock_(atom("_FRAMEGROVE_CLIPBOARD_KEEPER")), targets_(atom("TARGETS")),
          timestamp_(atom("TIMESTAMP")), incr_(atom("INCR")),
          incoming_(atom("_FRAMEGROVE_INCOMING"))
    {
        window_ = XCreateSimpleWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, 0);
        XSelectInput(display, window_, PropertyChangeMask);
        const long maxRequest =
            std::max(XExtendedMaxRequestSize(display), XMaxRequestSize(display));
        chunk_ = size_t(std::min(maxRequest, 65536L) * 4 - 100);
    }

    // Copies the clipboard from `owner`; false when `owner` no longer has it or offers nothing.
    bool copyFrom(Window owner)
    {
        if (XGetSelectionOwner(display_, clipboard_) != owner)
            return false;
        const Time now = serverTime();
        owner_ = owner;
        Offer list;
        if (!fetch(targets_, now, list) || list.type != XA_ATOM)
            return false;
        const auto* atoms = reinterpret_cast<const long*>(list.bytes->data());
        const std::vector<Atom> offered(atoms, atoms + list.bytes->size() / sizeof(long));
        for (const Atom target : offered) {
            Offer offer;
            if (worthKeeping(target) && sameDataAs(target, offered) == None &&
                fetch(target, now, offer))
                offers_.push_back(std::move(offer));
        }
        for (const Atom target : offered) {
            const Offer* kept = offerFor(sameDataAs(target, offered));
            if (kept)
                offers_.push_back({target, kept->type == kept->target ? target : kept->type,
                                   kept->format, kept->bytes});
        }
        return !offers_.empty() && XGetSelectionOwner(display_, clipboard_) == owner;
    }

    // Takes the clipboard and serves it; returns when another program takes it.
    void serve()
    {
        since_ = serverTime();
        XSetSelectionOwner(display_, lock_, window_, since_); // an older keeper leaves now
        XSetSelectionOwner(display_, clipboard_, window_, since_);
        if (XGetSelectionOwner(display_, clipboard_) != window_)
            return;
        for (;;) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == SelectionClear)
                    return;
                handle(event);
                forgetMissingWindows();
            }
            dropIdleTransfers();
            pollfd connection{ConnectionNumber(display_), POLLIN, 0};
            poll(&connection, 1, 1000);
        }
    }

private:
    Atom atom(const char* name) { return XInternAtom(display_, name, False); }

    void handle(const XEvent& event)
    {
        if (event.type == SelectionRequest)
            answer(event.xselectionrequest);
        else if (event.type == PropertyNotify && event.xproperty.state == PropertyDelete)
            sendNextPiece(event.xproperty.window, event.xproperty.atom);
        else if (event.type == DestroyNotify)
            dropTransfersOf(event.xdestroywindow.window);
    }

    void dropTransfersOf(Window requestor)
    {
        std::erase_if(transfers_,
                      [&](const auto& entry) { return entry.first.first == requestor; });
    }

    void forgetMissingWindows()
    {
        for (const XID window : missingWindows)
            dropTransfersOf(window);
        missingWindows.clear();
    }

    void dropIdleTransfers()
    {
        const auto now = Clock::now();
        std::erase_if(transfers_, [&](const auto& entry) {
            return now - entry.second.lastPiece > TransferIdle;
        });
    }

    void startTransfer(const TransferKey& key, const Offer& offer)
    {
        if (transfers_.size() >= MaxTransfers && !transfers_.contains(key))
            transfers_.erase(std::min_element(transfers_.begin(), transfers_.end(),
                                              [](const auto& a, const auto& b) {
                                                  return a.second.lastPiece < b.second.lastPiece;
                                              }));
        transfers_[key] = {&offer, 0, false, Clock::now()};
    }

    // What a paste may ask for later: not the protocol's own targets, not server resources that
    // die with their owner, and of the pictures only the common formats (every other one would
    // have the owner encode the picture once more as it exits).
    bool worthKeeping(Atom target)
    {
        char* name = XGetAtomName(display_, target);
        if (!name)
            return false;
        const std::string text = name;
        XFree(name);
        static const char* const skipped[] = {"TARGETS",      "MULTIPLE", "TIMESTAMP",
                                              "SAVE_TARGETS", "DELETE",   "PIXMAP",
                                              "BITMAP",       "DRAWABLE", "COLORMAP"};
        for (const char* skip : skipped)
            if (text == skip)
                return false;
        static const char* const pictures[] = {"image/png", "image/bmp", "image/jpeg", "image/jpg"};
        if (text.rfind("image/", 0) == 0)
            return std::find(std::begin(pictures), std::end(pictures), text) != std::end(pictures);
        return true;
    }

    // The target whose data `target` repeats, when the owner offers that one too; None when
    // `target` has data of its own.
    Atom sameDataAs(Atom target, const std::vector<Atom>& offered)
    {
        for (const OtherName& other : OtherNames) {
            const Atom original = atom(other.of);
            if (target == atom(other.name) &&
                std::find(offered.begin(), offered.end(), original) != offered.end())
                return original;
        }
        return None;
    }

    // The next event that `wanted` accepts; false once the owner no longer holds the clipboard, or
    // has not answered for two minutes.
    template <typename Wanted> bool waitFor(XEvent& event, Wanted wanted)
    {
        const auto until = Clock::now() + OwnerAnswer;
        auto nextCheck = Clock::now() + OwnerCheck;
        while (Clock::now() < until) {
            while (XPending(display_)) {
                XNextEvent(display_, &event);
                if (wanted(event))
                    return true;
            }
            if (Clock::now() >= nextCheck) {
                // an owner that has gone, or given the clipboard up, answers no more
                if (owner_ != None && XGetSelectionOwner(display_, clipboard_) != owner_)
                    return false;
                nextCheck = Clock::now() + OwnerCheck;
            }
            pollfd connection{ConnectionNumber(display_), POLLIN, 0};
            poll(&connection, 1, 100);
        }
        return false;
    }

    Time serverTime()
    {
        XChangeProperty(display_, window_, incoming_, XA_STRING, 8, PropModeAppend, nullptr, 0);
        XEvent event;
        waitFor(event, [&](const XEvent& e) {
            return e.type == PropertyNotify && e.xproperty.window == window_;
        });
        return event.type == PropertyNotify ? event.xproperty.time : CurrentTime;
    }

    // Reads and deletes the incoming property, its items added to `items`; false when it is not
    // there.
    bool takeProperty(Atom& type, int& format, std::vector<unsigned char>& items)
    {
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        type = None;
        if (XGetWindowProperty(display_, window_, incoming_, 0, 0x1FFFFFFF, True, AnyPropertyType,
                               &type, &format, &count, &after, &data) != Success ||
            type == None) {
            if (data)
                XFree(data);
            return false;
        }
        items.insert(items.end(), data, data + count * itemBytes(format));
        XFree(data);
        return true;
    }

    bool fetch(Atom target, Time when, Offer& offer)
    {
        offer.target = target;
        XConvertSelection(display_, clipboard_, target, incoming_, window_, when);
        XEvent event;
        std::vector<unsigned char> items;
        if (!waitFor(event,
                     [&](const XEvent& e) {
                         return e.type == SelectionNotify && e.xselection.target == target;
                     }) ||
            event.xselection.property == None || !takeProperty(offer.type, offer.format, items))
            return false;
        if (offer.type == incr_ && !fetchPieces(offer, items))
            return false;
        offer.bytes = std::make_shared<const std::vector<unsigned char>>(std::move(items));
        return true;
    }

    // Large data comes in pieces, each one after we deleted the one before; an empty piece ends
    // it.
    bool fetchPieces(Offer& offer, std::vector<unsigned char>& items)
    {
        items.clear();
        for (;;) {
            XEvent event;
            if (!waitFor(event, [&](const XEvent& e) {
                    return e.type == PropertyNotify && e.xproperty.window == window_ &&
                           e.xproperty.atom == incoming_ && e.xproperty.state == PropertyNewValue;
                }))
                return false;
            const size_t before = items.size();
            if (!takeProperty(offer.type, offer.format, items))
                return false;
            if (items.size() == before)
                return true;
        }
    }

    const Offer* offerFor(Atom target) const
    {
        for (const Offer& offer : offers_)
            if (offer.target == target)
                return &offer;
        return nullptr;
    }

    void answer(const XSelectionRequestEvent& request)
    {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.display = display_;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.time = request.time;
        reply.property = None;
        // old clients name no property: the target is the property then
        const Atom property = request.property != None ? request.property : request.target;
        if (request.selection == clipboard_ && put(request.requestor, property, request.target))
            reply.property = property;
        XSendEvent(display_, request.requestor, False, NoEventMask,
                   reinterpret_cast<XEvent*>(&reply));
        XFlush(display_);
    }

    bool put(Window requestor, Atom property, Atom target)
    {
        if (target == targets_) {
            std::vector<long> atoms = {long(targets_), long(timestamp_)};
            for (const Offer& offer : offers_)
                atoms.push_back(long(offer.target));
            XChangeProperty(display_, requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(atoms.data()), int(atoms.size()));
            return true;
        }
        if (target == timestamp_) {
            long time = long(since_);
            XChangeProperty(display_, requestor, property, XA_INTEGER, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&time), 1);
            return true;
        }
        const Offer* offer = offerFor(target);
        if (!offer)
            return false;
        if (offer->bytes->size() <= chunk_) {
            putItems(requestor, property, *offer, 0, offer->bytes->size());
            return true;
        }
        // too large for one request: announce the size, then one piece per deleted property,
        // until the requestor goes (or the server says it is not there at all)
        XSelectInput(display_, requestor, PropertyChangeMask | StructureNotifyMask);
        long size = long(offer->bytes->size());
        XChangeProperty(display_, requestor, property, incr_, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&size), 1);
        startTransfer({requestor, property}, *offer);
        return true;
    }

    void putItems(Window requestor, Atom property, const Offer& offer, size_t from, size_t bytes)
    {
        XChangeProperty(display_, requestor, property, offer.type, offer.format, PropModeReplace,
                        offer.bytes->data() + from, int(bytes / itemBytes(offer.format)));
    }

    void sendNextPiece(Window requestor, Atom property)
    {
        const auto found = transfers_.find({requestor, property});
        if (found == transfers_.end())
            return;
        Transfer& transfer = found->second;
        if (transfer.finished) { // the empty piece was taken: done
            transfers_.erase(found);
            return;
        }
        const size_t unit = itemBytes(transfer.offer->format);
        const size_t piece =
            std::min(chunk_ / unit * unit, transfer.offer->bytes->size() - transfer.sent);
        putItems(requestor, property, *transfer.offer, transfer.sent, piece);
        transfer.sent += piece;
        transfer.finished = piece == 0;
        transfer.lastPiece = Clock::now();
        XFlush(display_);
    }

    Display* display_;
    Window window_ = None;
    Window owner_ = None; // whose clipboard is being copied
    Atom clipboard_, lock_, targets_, timestamp_, incr_, incoming_;
    size_t chunk_ = 0;
    Time since_ = CurrentTime;
    std::vector<Offer> offers_;
    std::map<TransferKey, Transfer> transfers_;
};

// A requestor that went away a moment ago is no reason to stop serving the others.
int ignoreError(Display*, XErrorEvent* error)
{
    if (error->error_code == BadWindow && missingWindows.size() < MaxTransfers)
        missingWindows.push_back(error->resourceid);
    return 0;
}

// Leaves the starting program's session, folder and files behind, so that the keeper holds
// nothing of it: not its terminal, not a folder that someone may want to unmount, not a pipe that
// someone waits to see closed.
void detach()
{
    setsid();
    if (chdir("/") != 0)
        std::exit(1);
    const long limit = sysconf(_SC_OPEN_MAX);
    for (int fd = 0; fd < (limit > 0 ? int(std::min(limit, 65536L)) : 1024); ++fd)
        close(fd);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    if (std::strcmp(argv[1], "--check") == 0) {
        Display* display = XOpenDisplay(nullptr);
        if (!display)
            return 1;
        XCloseDisplay(display);
        return 0;
    }
    const Window owner = Window(std::strtoul(argv[1], nullptr, 0));
    detach();
    Display* display = XOpenDisplay(nullptr);
    if (!display || owner == None)
        return 1;
    XSetErrorHandler(ignoreError);
    Keeper keeper(display);
    if (keeper.copyFrom(owner))
        keeper.serve();
    XCloseDisplay(display);
    return 0;
}
