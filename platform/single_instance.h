// A system-wide guard that lets one copy of the program run at a time. The
// window and kolmar-cli take the same guard, so neither starts while the
// other works on a folder (both write dat.cache).
#pragma once

#include <string>

// The guard's name, the same for every program that takes it.
inline constexpr const char* kKlmInstanceGuardName = "Kolmar-2010-09-30-Tev";

namespace klm::platform {

class SingleInstance {
public:
    // Takes the guard of this name; acquired() tells whether we got it.
    explicit SingleInstance(const std::string& name = kKlmInstanceGuardName);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool acquired() const { return fd_ >= 0; }
    // True only when another process holds the guard. A guard file that
    // cannot be created does not stop the program from starting.
    bool anotherRunning() const { return anotherRunning_; }
    // Where the guard lives (for messages and tests).
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    bool anotherRunning_ = false;
    std::string path_;
};

// The folder the guard file is put in: $XDG_RUNTIME_DIR, else /tmp.
std::string singleInstanceFolder();

}  // namespace klm::platform
