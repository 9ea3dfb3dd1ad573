#include "browse/pass_worker.h"

#include <atomic>
#include <cstdint>
#include <thread>

// The counter packs the job's number (high 32 bits), the next chunk to take
// and the chunk count (16 bits each), so that a worker that wakes late can
// never take a chunk of a job that has already finished.
struct KlmPassWorker::Shared {
    std::thread thread;
    std::atomic<uint32_t> generation{0};  // the current job; the worker waits on it
    std::atomic<uint64_t> next{0};
    std::atomic<uint32_t> finished{0};    // chunks of the current job done
    std::atomic<bool> stop{false};
    // The current job. Written before the job is published and not changed
    // until all of its chunks are done, so a thread holding one of them
    // reads them safely.
    void (*job)(void*, size_t) = nullptr;
    void* ctx = nullptr;

    ~Shared()
    {
        if (thread.joinable()) {
            stop.store(true);
            generation.fetch_add(1);
            generation.notify_all();
            thread.join();
        }
    }
};

namespace {

constexpr uint64_t pack(uint32_t job, uint64_t nextChunk, uint64_t chunks)
{
    return uint64_t{job} << 32 | nextChunk << 16 | chunks;
}

// Takes the next chunk of job number `job`; false when there is none left.
bool takeChunk(KlmPassWorker::Shared& s, uint32_t job, size_t& chunk)
{
    uint64_t v = s.next.load(std::memory_order_acquire);
    for (;;) {
        const uint64_t nextChunk = (v >> 16) & 0xFFFF;
        const uint64_t chunks = v & 0xFFFF;
        if (static_cast<uint32_t>(v >> 32) != job || nextChunk >= chunks)
            return false;
        if (s.next.compare_exchange_weak(v, pack(job, nextChunk + 1, chunks), std::memory_order_acq_rel)) {
            chunk = static_cast<size_t>(nextChunk);
            return true;
        }
    }
}

void runTaken(KlmPassWorker::Shared& s, uint32_t job)
{
    size_t chunk = 0;
    while (takeChunk(s, job, chunk)) {
        s.job(s.ctx, chunk);
        s.finished.fetch_add(1, std::memory_order_acq_rel);
        s.finished.notify_all();
    }
}

void workerLoop(KlmPassWorker::Shared* s)
{
    uint32_t seen = 0;
    for (;;) {
        s->generation.wait(seen, std::memory_order_acquire);
        seen = s->generation.load(std::memory_order_acquire);
        if (s->stop.load())
            return;
        runTaken(*s, seen);
    }
}

}  // namespace

KlmPassWorker::KlmPassWorker() = default;
KlmPassWorker::~KlmPassWorker() = default;
KlmPassWorker::KlmPassWorker(const KlmPassWorker& o) : enabled(o.enabled) {}
KlmPassWorker& KlmPassWorker::operator=(const KlmPassWorker& o)
{
    enabled = o.enabled;
    return *this;
}
KlmPassWorker::KlmPassWorker(KlmPassWorker&&) noexcept = default;
KlmPassWorker& KlmPassWorker::operator=(KlmPassWorker&&) noexcept = default;

void klmRunChunks(KlmPassWorker* worker, size_t chunks, void (*job)(void* ctx, size_t chunk), void* ctx)
{
    static const bool twoCores = std::thread::hardware_concurrency() >= 2;
    if (!worker || !worker->enabled || !twoCores || chunks < 2 || chunks > 0xFFFF) {
        for (size_t c = 0; c < chunks; ++c)
            job(ctx, c);
        return;
    }
    if (!worker->shared) {
        worker->shared = std::make_unique<KlmPassWorker::Shared>();
        worker->shared->thread = std::thread(workerLoop, worker->shared.get());
    }
    KlmPassWorker::Shared& s = *worker->shared;
    s.job = job;
    s.ctx = ctx;
    s.finished.store(0, std::memory_order_relaxed);
    const uint32_t number = s.generation.load(std::memory_order_relaxed) + 1;
    s.next.store(pack(number, 0, chunks), std::memory_order_release);
    s.generation.store(number, std::memory_order_release);
    s.generation.notify_one();
    runTaken(s, number);
    // Only chunks the worker took and has not finished are left.
    for (uint32_t f = s.finished.load(std::memory_order_acquire); f != chunks;
         f = s.finished.load(std::memory_order_acquire))
        s.finished.wait(f, std::memory_order_acquire);
}
