#include "platform/core/uithread.h"

#include "platform/core/errorhandler.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

namespace galimo {

struct TUIThreadQueue::Request {
    std::function<void()> fn;
    bool waited = false;  // a Send: the worker waits for done
    bool done = false;
    std::exception_ptr error;
};

// Lives on the UI thread, child of the application; its posted events only wake the UI
// thread, which then drains the queue.
class TUIThreadReceiver : public QObject {
public:
    static QEvent::Type EventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit TUIThreadReceiver(TUIThreadQueue& q) : QObject(QCoreApplication::instance()), queue(q) {}
    ~TUIThreadReceiver() override
    {
        std::lock_guard lock(queue.mutex);
        queue.receiver = nullptr;
    }
    bool event(QEvent* e) override
    {
        if (e->type() != EventType()) return QObject::event(e);
        queue.Serve();
        return true;
    }

private:
    TUIThreadQueue& queue;
};

TUIThreadQueue& TUIThreadQueue::Instance()
{
    static TUIThreadQueue* queue = new TUIThreadQueue;  // never destroyed: workers may outlive statics
    return *queue;
}

void TUIThreadQueue::Attach()
{
    std::lock_guard lock(mutex);
    uiThread = std::this_thread::get_id();
    attached = true;
    if (!receiver && QCoreApplication::instance() && QCoreApplication::instance()->thread() == QThread::currentThread())
        receiver = new TUIThreadReceiver(*this);
}

bool TUIThreadQueue::IsUIThread() const
{
    std::lock_guard lock(mutex);
    return !attached || uiThread == std::this_thread::get_id();
}

void TUIThreadQueue::Push(std::shared_ptr<Request> request)
{
    // Called with the mutex held.
    requests.push_back(std::move(request));
    changed.notify_all();
    if (receiver) QCoreApplication::postEvent(receiver, new QEvent(TUIThreadReceiver::EventType()));
}

void TUIThreadQueue::Send(const std::function<void()>& fn)
{
    if (IsUIThread()) {
        fn();
        return;
    }
    auto request = std::make_shared<Request>();
    request->fn = fn;
    request->waited = true;
    std::unique_lock lock(mutex);
    Push(request);
    changed.wait(lock, [&] { return request->done; });
    if (request->error) std::rethrow_exception(request->error);
}

void TUIThreadQueue::Post(std::function<void()> fn)
{
    auto request = std::make_shared<Request>();
    request->fn = std::move(fn);
    std::lock_guard lock(mutex);
    Push(std::move(request));
}

int TUIThreadQueue::Serve()
{
    int served = 0;
    for (;;) {
        std::shared_ptr<Request> request;
        {
            std::lock_guard lock(mutex);
            if (requests.empty()) return served;
            request = std::move(requests.front());
            requests.pop_front();
        }
        // One at a time, the lock released: a request may itself wait and serve.
        ++served;
        if (!request->waited) {
            Guard(request->fn);  // nobody waits for it: the application's handler shows its error
            continue;
        }
        std::exception_ptr error;
        try {
            request->fn();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(mutex);
        request->error = error;
        request->done = true;
        changed.notify_all();
    }
}

void TUIThreadQueue::ServeUntil(const std::function<bool()>& done)
{
    for (;;) {
        Serve();
        if (done()) return;
        std::unique_lock lock(mutex);
        // The time-out is a safety net: every state change we wait for also queues a
        // request or wakes us.
        changed.wait_for(lock, std::chrono::milliseconds(20), [&] { return !requests.empty() || wakeUp; });
        wakeUp = false;
    }
}

void TUIThreadQueue::Wake()
{
    std::lock_guard lock(mutex);
    wakeUp = true;
    changed.notify_all();
}

void TAutoResetEvent::Set()
{
    std::lock_guard lock(mutex);
    signalled = true;
    cv.notify_all();
}

bool TAutoResetEvent::WaitFor(int ms)
{
    std::unique_lock lock(mutex);
    if (!cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return signalled; })) return false;
    signalled = false;
    return true;
}

bool TAutoResetEvent::TryWait()
{
    std::lock_guard lock(mutex);
    const bool was = signalled;
    signalled = false;
    return was;
}

}  // namespace galimo
