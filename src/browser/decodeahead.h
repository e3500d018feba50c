// TDecodeAhead: worker threads that read and decode the next JPEG files of an album while
// the user-interface thread makes the strip one thumbnail at a time (or the shown photo at
// full size, ahead of a zoom). Each job is one file and the size it will be drawn at; the
// user-interface thread takes the results in order. At most one result a worker is held
// ahead of the one being taken, so memory stays at one reduced picture a core. Destroying it
// cancels: workers finish the file in hand, drop it and stop; nothing is ever ended by force.
// When a worker cannot be started, there is no decoding ahead: every job comes back empty.
// A worker reads its file a piece at a time and looks at the stop between pieces, so that on
// a slow medium (an old CD, a USB 2 stick) dropping the queue waits for one piece, not a file.
#pragma once

#include "picture/graphic.h"
#include "platform/core/seam.h"
#include "platform/files/stream.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace galimo {

// Where the workers read files: the file system, or a test's medium that is slow to read.
class IMedium {
public:
    virtual ~IMedium() = default;
    // Raises EFOpenError as TFileStream does. A read of `piece` bytes goes to the medium at once.
    virtual std::unique_ptr<TStream> Open(const std::string& file, size_t piece) = 0;
};
template <> IMedium& TSeam<IMedium>::System();

struct TDecodeJob {
    std::string File;  // absolute; empty: nothing to do ahead for this one
    // The rectangle the picture will be drawn into, from its natural size.
    std::function<void(int width, int height, int& targetW, int& targetH)> Target;
    bool Thumbnail = false;  // for the strip only: the camera's own thumbnail may serve it
};

class TDecodeAhead {
public:
    // workers 0: one a core.
    explicit TDecodeAhead(std::vector<TDecodeJob> jobs, unsigned workers = 0);
    ~TDecodeAhead();
    TDecodeAhead(const TDecodeAhead&) = delete;
    TDecodeAhead& operator=(const TDecodeAhead&) = delete;

    // Job n's picture, loaded and ready to draw, waiting for it if need be. Null when job n
    // had nothing to do or failed to load: the caller then loads the file itself and meets
    // the failure, with its message, exactly where it would have without us.
    std::unique_ptr<TGraphic> Take(size_t n);
    // Whether Take(n) would return without waiting. Asking is waiting for n: the workers move
    // on past it meanwhile, as they do while Take waits.
    bool Ready(size_t n);

private:
    struct Slot {
        bool ready = false;
        std::unique_ptr<TGraphic> result;
    };
    void Cancel();
    void Work();
    std::unique_ptr<TGraphic> Load(const TDecodeJob& job) const;

    const std::vector<TDecodeJob> jobs;
    size_t window;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Slot> results;
    size_t next = 0;   // the next job a worker claims
    size_t taken = 0;  // jobs before this one have been taken or passed over
    bool cancelled = false;
    std::atomic<bool> stop{false};  // cancelled, as the decoding in hand reads it
    std::vector<std::thread> workers;
};

}  // namespace galimo
