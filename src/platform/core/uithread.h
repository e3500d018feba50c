// Hand-over from worker threads to the UI thread. A worker's request waits until the UI
// thread has carried it out. The UI thread serves requests from any Qt event loop (a
// posted event wakes it, modal loops included) and from the explicit wait loops of
// ServeUntil, which run these requests and nothing else. The queue and its completion
// signalling are plain std primitives, so a thread checker sees every hand-over.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace galimo {

class TUIThreadReceiver;

class TUIThreadQueue {
public:
    static TUIThreadQueue& Instance();

    // Makes the calling thread the UI thread (idempotent on that thread). With a Qt
    // application it also creates the object whose posted events drain the queue.
    void Attach();
    bool IsUIThread() const;

    // From a worker: runs fn on the UI thread and returns when it is done; what fn throws
    // is thrown here. On the UI thread itself (or before any Attach) fn runs at once.
    void Send(const std::function<void()>& fn);
    // Queues fn for the UI thread without waiting.
    void Post(std::function<void()> fn);

    // UI thread: runs every request waiting now. Returns how many ran.
    int Serve();
    // UI thread: serves requests until done() holds; done is looked at after every
    // request and at least every few milliseconds.
    void ServeUntil(const std::function<bool()>& done);
    // Makes a ServeUntil look at its condition again at once.
    void Wake();

private:
    friend class TUIThreadReceiver;
    struct Request;
    TUIThreadQueue() = default;
    void Push(std::shared_ptr<Request> request);

    mutable std::mutex mutex;
    std::condition_variable changed;  // a request queued or finished, or a Wake
    std::deque<std::shared_ptr<Request>> requests;
    std::thread::id uiThread;
    TUIThreadReceiver* receiver = nullptr;
    bool attached = false;
    bool wakeUp = false;
};

// Signalled by Set, cleared by the wait that sees it.
class TAutoResetEvent {
public:
    void Set();
    // True when the event was signalled within ms milliseconds (it is then reset).
    bool WaitFor(int ms);
    // True, and reset, when signalled now; never blocks.
    bool TryWait();

private:
    std::mutex mutex;
    std::condition_variable cv;
    bool signalled = false;
};

}  // namespace galimo
