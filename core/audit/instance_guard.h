// The single-instance guard seen from a tool that must not run beside the
// program: kolmar-cli takes the same guard the window takes, so neither can
// start while the other works on the same folder (both write dat.cache).
//
// The guard is an advisory lock on a file named after the guard in
// $XDG_RUNTIME_DIR (else /tmp), as the window's platform layer keeps it;
// the kernel drops it when the holder ends, however it ends.
#pragma once

#include <string>

inline constexpr const char* kKlmInstanceGuardName = "Kolmar-2010-09-30-Tev";

struct KlmInstanceGuard {
    int fd = -1;                  // held while >= 0
    bool anotherRunning = false;  // the guard is held by another process
    std::string path;

    KlmInstanceGuard() = default;
    ~KlmInstanceGuard();
    KlmInstanceGuard(const KlmInstanceGuard&) = delete;
    KlmInstanceGuard& operator=(const KlmInstanceGuard&) = delete;
};

// Takes the guard of this name. True when it is now held by this process;
// false when another process holds it (guard.anotherRunning) or the guard
// file cannot be made (guard.anotherRunning stays false).
bool klmTakeInstanceGuard(KlmInstanceGuard& guard, const std::string& name = kKlmInstanceGuardName);

// Gives the guard back (also done when the guard goes away).
void klmReleaseInstanceGuard(KlmInstanceGuard& guard);
