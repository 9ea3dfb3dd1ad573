// Replacements finished on a thread of their own, so that nobody waits for
// the disk: the bytes are already in the temporary files (each write begun
// with klmBeginAtomicWrite); the thread syncs each one and renames it into
// place, in the order given. After a failure the remaining ones are
// cancelled and their old files left as they were, so a later file never
// lands without the ones before it (fdate.cache after the caches it
// vouches for).
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "text/file_io.h"

struct KlmBackgroundWrites {
    KlmBackgroundWrites() = default;
    ~KlmBackgroundWrites();  // waits for the thread
    KlmBackgroundWrites(const KlmBackgroundWrites&) = delete;
    KlmBackgroundWrites& operator=(const KlmBackgroundWrites&) = delete;

    std::thread thread;
    std::vector<KlmAtomicWrite> writes;
    bool ok = true;
    std::string error;  // the first failure's reason
};

// Starts finishing the writes. A batch still running is waited for first.
void klmStartBackgroundWrites(KlmBackgroundWrites& bw, std::vector<KlmAtomicWrite> writes);

// Waits until the batch is done. True when every write is in place; else
// false and the first failure's reason. Without a batch: true.
bool klmJoinBackgroundWrites(KlmBackgroundWrites& bw, std::string* error = nullptr);
