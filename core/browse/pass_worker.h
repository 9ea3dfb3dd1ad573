// A second thread for the passes that split their work into chunks.
//
// The caller and the worker take chunks from one counter, so a pass never
// waits for a worker the system has not scheduled yet: whatever the worker
// has not taken by then, the caller does itself. The thread starts on the
// first pass that wants it and allocates nothing afterwards.
//
// One pass at a time: a worker is used from one thread (the window's).
#pragma once

#include <cstddef>
#include <memory>

struct KlmPassWorker {
    KlmPassWorker();
    ~KlmPassWorker();
    // A copy starts without a thread of its own; moving hands it over.
    KlmPassWorker(const KlmPassWorker&);
    KlmPassWorker& operator=(const KlmPassWorker&);
    KlmPassWorker(KlmPassWorker&&) noexcept;
    KlmPassWorker& operator=(KlmPassWorker&&) noexcept;

    // Off: every chunk runs on the calling thread (for one-core figures).
    bool enabled = true;

    struct Shared;
    std::unique_ptr<Shared> shared;
};

// Runs job(ctx, chunk) once for every chunk 0 … chunks − 1 and returns when
// all are done: on the calling thread and, when worker is given, enabled and
// the machine has a second core, on the worker too. Chunks run in any order
// and at the same time, so each must touch only its own part of the output.
void klmRunChunks(KlmPassWorker* worker, size_t chunks, void (*job)(void* ctx, size_t chunk), void* ctx);

template <typename F>
void klmRunChunks(KlmPassWorker* worker, size_t chunks, F& f)
{
    klmRunChunks(worker, chunks, [](void* ctx, size_t chunk) { (*static_cast<F*>(ctx))(chunk); }, &f);
}
