#include "audit/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

KlmInstanceGuard::~KlmInstanceGuard() { klmReleaseInstanceGuard(*this); }

bool klmTakeInstanceGuard(KlmInstanceGuard& guard, const std::string& name)
{
    klmReleaseInstanceGuard(guard);
    guard.anotherRunning = false;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime ? runtime : "/tmp";
    guard.path = folder + "/" + name + "-" + std::to_string(getuid()) + ".lock";
    const int fd = ::open(guard.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        guard.anotherRunning = errno == EWOULDBLOCK;
        ::close(fd);
        return false;
    }
    guard.fd = fd;
    return true;
}

void klmReleaseInstanceGuard(KlmInstanceGuard& guard)
{
    if (guard.fd < 0) return;
    ::flock(guard.fd, LOCK_UN);
    ::close(guard.fd);
    guard.fd = -1;
}
