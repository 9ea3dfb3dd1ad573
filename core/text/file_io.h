// Whole-file reads and never-destroying writes.
//
// A replacement goes to a temporary file beside the target, is made durable
// (fsync) and only then renamed over the old file, and the rename itself is
// made durable by syncing the folder. A new file gets the mode the process's
// umask gives; a replaced one keeps its own.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

// Reads the whole file. Returns false (and a reason) when it cannot be read.
bool klmReadWholeFile(const std::string& path, std::string& out, std::string* error = nullptr);

bool klmFileExists(const std::string& path);

// The calls that make a write durable and put it in place. Empty members
// call the system; tests fill them to watch the calls or make one fail.
struct KlmSyncHooks {
    std::function<int(int fd)> fsync;
    std::function<int(const char* from, const char* to)> rename;
};

// Writes bytes (or the parts one after another) to a temporary file beside
// path and renames it over path. On failure the old file is left as it was
// and a reason is given.
bool klmWriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                        const KlmSyncHooks* hooks = nullptr);
bool klmWriteFileAtomic(const std::string& path, std::span<const std::string_view> parts,
                        std::string* error = nullptr, const KlmSyncHooks* hooks = nullptr);

// The same replacement in two halves, so that the slow half — waiting for
// the disk — can run where nobody waits for it. Begin writes the bytes to
// the temporary file; Finish syncs it, renames it over the target and syncs
// the folder; Cancel removes the temporary file. A begun write must be
// finished or cancelled; until then the old file is untouched.
struct KlmAtomicWrite {
    std::string path;
    std::string tmp;
    int fd = -1;
    const KlmSyncHooks* hooks = nullptr;

    KlmAtomicWrite() = default;
    // Moving hands the temporary file over; copying would share it.
    KlmAtomicWrite(KlmAtomicWrite&& o) noexcept { *this = std::move(o); }
    KlmAtomicWrite& operator=(KlmAtomicWrite&& o) noexcept
    {
        path = std::move(o.path);
        tmp = std::move(o.tmp);
        fd = o.fd;
        hooks = o.hooks;
        o.tmp.clear();
        o.fd = -1;
        return *this;
    }
};
// write() until every byte is out, going on after EINTR; false with errno set.
bool klmWriteAll(int fd, const void* bytes, size_t n);

bool klmBeginAtomicWrite(KlmAtomicWrite& w, const std::string& path, std::span<const std::string_view> parts,
                         std::string* error = nullptr, const KlmSyncHooks* hooks = nullptr);
bool klmFinishAtomicWrite(KlmAtomicWrite& w, std::string* error = nullptr);
void klmCancelAtomicWrite(KlmAtomicWrite& w);
