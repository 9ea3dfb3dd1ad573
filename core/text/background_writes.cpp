#include "text/background_writes.h"

#include <utility>

namespace {

void finishAll(KlmBackgroundWrites* bw)
{
    for (KlmAtomicWrite& w : bw->writes) {
        if (!bw->ok) {
            klmCancelAtomicWrite(w);
            continue;
        }
        std::string error;
        if (!klmFinishAtomicWrite(w, &error)) {
            bw->ok = false;
            bw->error = error;
        }
    }
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

bool klmJoinBackgroundWrites(KlmBackgroundWrites& bw, std::string* error)
{
    if (bw.thread.joinable())
        bw.thread.join();
    bw.writes.clear();
    if (!bw.ok && error)
        *error = bw.error;
    return bw.ok;
}
