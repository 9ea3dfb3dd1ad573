#include "text/background_writes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// What the writer reports for each file, in order.
struct WriteReport {
    int error = 0;  // errno of the failed write, 0 when the bytes are in
    KlmFileStamp stamp;
};

WriteReport writeSnapshot(const KlmSnapshotWrite& w)
{
    WriteReport r;
    for (std::string_view part : w.parts)
        if (!klmWriteAll(w.file.fd, part.data(), part.size())) {
            r.error = errno != 0 ? errno : EIO;
            return r;
        }
    // A stamp that cannot be taken stays unknown: the close then writes.
    r.stamp = klmStampOpenFile(w.file.fd, klmDigestParts(std::span<const std::string_view>(w.parts)));
    return r;
}

// The child: only system calls and the digest's arithmetic, which is all
// that is safe in a copy of a process that has other threads. It must not
// take a termination meant for the program as its own, and must not
// outlive it.
[[noreturn]] void runWriter(const std::vector<KlmSnapshotWrite>& writes, int report)
{
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (const KlmSnapshotWrite& w : writes) {
        const WriteReport r = writeSnapshot(w);
        if (!klmWriteAll(report, &r, sizeof r)) _exit(1);
        if (r.error != 0) break;
    }
    _exit(0);
}

// Reads the child's reports; a write it never reported did not happen.
std::vector<WriteReport> collectReports(KlmBackgroundWrites* bw, size_t count)
{
    std::vector<WriteReport> reports(count);
    for (WriteReport& r : reports) r.error = ECHILD;
    size_t got = 0;
    char* into = reinterpret_cast<char*>(reports.data());
    const size_t want = count * sizeof(WriteReport);
    while (got < want) {
        const ssize_t n = read(bw->reports, into + got, want - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    for (size_t i = got / sizeof(WriteReport); i < count; ++i) reports[i] = WriteReport{ECHILD, {}};
    close(bw->reports);
    bw->reports = -1;
    int status = 0;
    while (waitpid(bw->child, &status, 0) < 0 && errno == EINTR) {
    }
    bw->child = -1;
    return reports;
}

// Puts one file in place, or drops it once an earlier one has failed.
// True when it landed.
bool finishOne(KlmBackgroundWrites* bw, KlmAtomicWrite& w)
{
    if (!bw->ok) {
        klmCancelAtomicWrite(w);
        return false;
    }
    std::string error;
    if (klmFinishAtomicWrite(w, &error)) return true;
    bw->ok = false;
    bw->error = error;
    return false;
}

void finishSnapshot(KlmBackgroundWrites* bw, std::vector<WriteReport> reports)
{
    if (bw->child > 0) reports = collectReports(bw, bw->writes.size());
    for (size_t i = 0; i < bw->writes.size(); ++i) {
        KlmAtomicWrite& w = bw->writes[i];
        if (bw->ok && reports[i].error != 0) {
            bw->ok = false;
            bw->error = "cannot write " + w.path + ": " + std::strerror(reports[i].error);
        }
        if (finishOne(bw, w)) bw->stamps[i] = reports[i].stamp;
    }
}

void finishAll(KlmBackgroundWrites* bw)
{
    for (KlmAtomicWrite& w : bw->writes) finishOne(bw, w);
}

}  // namespace

KlmBackgroundWrites::~KlmBackgroundWrites()
{
    klmJoinBackgroundWrites(*this);
}

void klmStartBackgroundWrites(KlmBackgroundWrites& bw, std::vector<KlmAtomicWrite> writes)
{
    klmJoinBackgroundWrites(bw);
    bw.writes = std::move(writes);
    bw.ok = true;
    bw.error.clear();
    bw.thread = std::thread(finishAll, &bw);
}

void klmStartSnapshotWrites(KlmBackgroundWrites& bw, std::vector<KlmSnapshotWrite> writes)
{
    klmJoinBackgroundWrites(bw);
    bw.ok = true;
    bw.error.clear();
    bw.stamps.assign(writes.size(), KlmFileStamp{});
    std::vector<WriteReport> reports;
    int pipeFds[2] = {-1, -1};
    if (pipe2(pipeFds, O_CLOEXEC) == 0) {
        bw.child = fork();
        if (bw.child == 0) {
            close(pipeFds[0]);
            runWriter(writes, pipeFds[1]);
        }
        close(pipeFds[1]);
        if (bw.child > 0)
            bw.reports = pipeFds[0];
        else
            close(pipeFds[0]);
    }
    if (bw.child <= 0) {
        // No child: the bytes are written now, the syncs still later.
        bw.child = -1;
        for (const KlmSnapshotWrite& w : writes) {
            reports.push_back(writeSnapshot(w));
            if (reports.back().error != 0) break;
        }
        reports.resize(writes.size(), WriteReport{ECANCELED, {}});
    }
    bw.writes.clear();
    for (KlmSnapshotWrite& w : writes) bw.writes.push_back(std::move(w.file));
    bw.thread = std::thread(finishSnapshot, &bw, std::move(reports));
}

bool klmJoinBackgroundWrites(KlmBackgroundWrites& bw, std::string* error)
{
    if (bw.thread.joinable())
        bw.thread.join();
    bw.writes.clear();
    if (!bw.ok && error)
        *error = bw.error;
    return bw.ok;
}
