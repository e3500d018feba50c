#include "browser/decodeahead.h"

#include "picture/jpegimage.h"
#include "platform/files/stream.h"

#include <algorithm>
#include <exception>

namespace galimo {

namespace {
// 0.1 s at the speed of the slowest CD drive.
constexpr size_t kPiece = 16 * 1024;

class FileSystem : public IMedium {
public:
    std::unique_ptr<TStream> Open(const std::string& file, size_t piece) override
    {
        return std::make_unique<TFileStream>(file, piece);
    }
};
FileSystem fileSystem;
}  // namespace

template <>
IMedium& TSeam<IMedium>::System()
{
    return fileSystem;
}

TDecodeAhead::TDecodeAhead(std::vector<TDecodeJob> list, unsigned count) : jobs(std::move(list)), results(jobs.size())
{
    if (count == 0) count = std::max(1u, std::thread::hardware_concurrency());
    count = static_cast<unsigned>(std::min<size_t>(count, jobs.size()));
    window = std::max<size_t>(count, 1);
    try {
        for (unsigned i = 0; i < count; ++i) workers.emplace_back([this] { Work(); });
    } catch (const std::exception&) {  // std::system_error, or no memory for one
        // No thread to be had (memory, a process limit): the album opens without us. Those
        // that started are stopped, and every job is handed back empty for the caller to load.
        Cancel();
        const std::lock_guard<std::mutex> hold(lock);
        for (Slot& slot : results) {
            slot.result.reset();
            slot.ready = true;
        }
    }
}

TDecodeAhead::~TDecodeAhead() { Cancel(); }

void TDecodeAhead::Cancel()
{
    {
        const std::lock_guard<std::mutex> hold(lock);
        cancelled = true;
    }
    stop = true;
    changed.notify_all();
    for (std::thread& t : workers) t.join();
    workers.clear();
}

std::unique_ptr<TGraphic> TDecodeAhead::Take(size_t n)
{
    std::unique_lock<std::mutex> hold(lock);
    if (n >= results.size()) return nullptr;
    taken = std::max(taken, n + 1);
    changed.notify_all();  // the window moves on even before this one is ready
    changed.wait(hold, [&] { return results[n].ready; });
    return std::move(results[n].result);
}

bool TDecodeAhead::Ready(size_t n)
{
    const std::lock_guard<std::mutex> hold(lock);
    if (n >= results.size()) return true;
    if (n + 1 > taken) {
        taken = n + 1;
        changed.notify_all();
    }
    return results[n].ready;
}

void TDecodeAhead::Work()
{
    for (;;) {
        size_t n;
        {
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [&] { return cancelled || next >= results.size() || next < taken + window; });
            if (cancelled || next >= results.size()) return;
            n = next++;
        }
        std::unique_ptr<TGraphic> result = Load(jobs[n]);
        {
            const std::lock_guard<std::mutex> hold(lock);
            results[n].result = std::move(result);
            results[n].ready = true;
        }
        changed.notify_all();
    }
}

// Runs on a worker: the picture is new and only this thread sees it until it is handed over.
std::unique_ptr<TGraphic> TDecodeAhead::Load(const TDecodeJob& job) const
{
    if (job.File.empty()) return nullptr;
    try {
        std::vector<uint8_t> bytes;
        {
            const std::unique_ptr<TStream> file = TSeam<IMedium>::Current().Open(job.File, kPiece);
            bytes.resize(static_cast<size_t>(std::max<int64_t>(file->Size(), 0)));
            for (size_t got = 0; got < bytes.size();) {
                if (stop) return nullptr;
                const size_t n = file->Read(bytes.data() + got, std::min(kPiece, bytes.size() - got));
                if (n == 0) return nullptr;  // cut short meanwhile: the caller's own load reports it
                got += n;
            }
        }
        auto jpeg = std::make_unique<TJPEGImage>();
        jpeg->Stop = &stop;  // a decoding stops where it is when we are dropped
        jpeg->CameraThumbnailAllowed = job.Thumbnail;
        {
            TMemoryStream stream(std::move(bytes));
            jpeg->LoadFromStream(stream);
        }
        int w = jpeg->Width(), h = jpeg->Height();
        if (job.Target) job.Target(jpeg->Width(), jpeg->Height(), w, h);
        jpeg->PrepareDraw(w, h);
        jpeg->Stop = nullptr;  // handed over: it outlives us
        return jpeg;
    } catch (...) {
        return nullptr;  // loaded again by the caller, who reports it
    }
}

}  // namespace galimo
