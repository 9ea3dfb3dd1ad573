// Replacements finished on a thread of their own, so that nobody waits for
// the disk: the bytes are already in the temporary files (each write begun
// with klmBeginAtomicWrite); the thread syncs each one and renames it into
// place, in the order given. After a failure the remaining ones are
// cancelled and their old files left as they were, so a later file never
// lands without the ones before it (fdate.cache after the caches it
// vouches for).
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "text/file_io.h"
#include "text/file_stamp.h"

struct KlmBackgroundWrites {
    KlmBackgroundWrites() = default;
    ~KlmBackgroundWrites();  // waits for the thread
    KlmBackgroundWrites(const KlmBackgroundWrites&) = delete;
    KlmBackgroundWrites& operator=(const KlmBackgroundWrites&) = delete;

    std::thread thread;
    std::vector<KlmAtomicWrite> writes;
    bool ok = true;
    std::string error;  // the first failure's reason
    // Snapshot writes: the child process that writes the bytes, the pipe it
    // reports on, and each file's stamp once it is in place (unknown for a
    // write that did not land).
    pid_t child = -1;
    int reports = -1;
    std::vector<KlmFileStamp> stamps;
};

// A write whose bytes lie in this process's memory and may change as soon
// as the write has started.
struct KlmSnapshotWrite {
    KlmAtomicWrite file;                  // begun with no bytes
    std::vector<std::string_view> parts;  // the bytes, one part after another
};

// Starts writes of memory as it is now, without waiting for the bytes to be
// copied: a child process (a copy-on-write snapshot of this one) writes
// each file's bytes and takes its digest and stamp, and the thread then
// syncs and renames the files in order, as klmStartBackgroundWrites does.
// When no child can be made the bytes are written here before returning.
// After the join, stamps[i] describes write i's file.
void klmStartSnapshotWrites(KlmBackgroundWrites& bw, std::vector<KlmSnapshotWrite> writes);

// Starts finishing the writes. A batch still running is waited for first.
void klmStartBackgroundWrites(KlmBackgroundWrites& bw, std::vector<KlmAtomicWrite> writes);

// Waits until the batch is done. True when every write is in place; else
// false and the first failure's reason. Without a batch: true.
bool klmJoinBackgroundWrites(KlmBackgroundWrites& bw, std::string* error = nullptr);
