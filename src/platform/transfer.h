#pragma once

#include "platform/outcome.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vidfolio {

class BodySink;
class RunLoop;

// The bounds of one request, in libcurl's terms.
struct RequestBounds
{
    std::chrono::seconds connectTimeout{0};
    // Less than one byte a second for this long counts as stalled.
    std::chrono::seconds stallTimeout{0};
    // The whole request, redirects included.
    std::chrono::milliseconds timeLimit{0};
    // Largest body announced or received.
    std::int64_t maxBytes = 0;
    long maxRedirects = 0;
};

// How one request ended: Done when libcurl finished it without error,
// Failed with libcurl's code, Stopped when its wait was stopped and the
// request dropped on the spot (or, asked for while the loop was stopped,
// never started).
struct RequestEnd
{
    Outcome outcome = Outcome::Failed;
    // libcurl's CURLcode, kept as a plain number so that this header, and
    // those of the layers above that hold a transfer, need no libcurl.
    int code = 0;
    // The last answer's status; 0 when none came.
    long httpStatus = 0;
};

// One libcurl easy handle with its fixed options, run one request at a time
// on a multi handle of its own, which keeps the connections a request leaves
// open for the next one. The event loop drives the requests through
// libcurl's socket interface: libcurl names the sockets to watch and when it
// next needs to act, a socket notifier and a timer tell it when that has
// come, and in between the thread's event loop runs as in any wait.
//
// Fixed for every request: no signals, http and https only (redirects too,
// to any host and port), redirects followed, every compression libcurl can
// undo offered, error answers ending the transfer before their bodies.
class Transfer
{
public:
    // Waits on `loop`, which must outlive the transfer.
    explicit Transfer(RunLoop &loop);
    ~Transfer();
    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;
    // The moved-from transfer is not valid(). Connections kept open move
    // along with the handles.
    Transfer(Transfer &&other) noexcept;
    Transfer &operator=(Transfer &&other) noexcept;

    // False when libcurl could not make its handles.
    bool valid() const;

    // Runs one request for `address` to its end, handing the body to
    // `body` (which refuses what passes its cap). `bounds.timeLimit` is also the wait's limit, with
    // a margin: libcurl's own time limit ends the request first.
    RequestEnd run(const std::string &address, const RequestBounds &bounds, BodySink &body);

    // About the last request: the value of its last answer's `name` header
    // (nothing when it had none), whether the address it ended at was an
    // http or https one (a redirect may have led elsewhere), and libcurl's
    // certificate check result.
    std::optional<std::string> header(const char *name) const;
    bool endedAtHttpAddress() const;
    long certificateCheck() const;

private:
    // The handles, the watches and the request under way. libcurl and the
    // notifiers keep its address for their callbacks, so it stays on the
    // heap and a move hands over only the pointer: nothing needs re-pointing.
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace vidfolio
