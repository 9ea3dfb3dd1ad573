#include "rename/rename_run.h"

#include <algorithm>
#include <cstdio>

#include "audit/crc.h"
#include "rename/file_moves.h"
#include "rename/naming.h"
#include "text/cp932.h"
#include "ui/command_ids.h"

namespace {

void finish(KlmRenameRun& run)
{
    run.phase = KlmRenamePhase::Finished;
    run.jobOut = false;
}

void writeRecord(GameRecord& g, const KlmRenameResult& r)
{
    klmCopyField(g.foundPath, r.foundPath);
    klmCopyField(g.memberName, r.memberName);
    g.ownership = r.status;
}

// A dry run cannot see its own moves on the disk; two games aimed at one
// new path are told apart here instead.
KlmRenameResult claimOnce(KlmRenameRun& run, KlmRenameResult r)
{
    if (r.outcome != KlmRenameOutcome::Renamed || run.claimed.insert(r.foundPath).second)
        return r;
    r.outcome = KlmRenameOutcome::Unchanged;
    r.foundPath = r.from;
    r.memberName = std::string(klmField(run.cat->games[size_t(r.index)].memberName));
    r.status = run.cat->games[size_t(r.index)].ownership;
    r.reason = "the new name is taken";
    return r;
}

}  // namespace

std::vector<int32_t> klmRenameWorkList(const Catalogue& cat, const std::vector<int32_t>& candidates)
{
    std::vector<int32_t> work;
    std::unordered_set<int32_t> taken;
    for (const int32_t i : candidates)
        if (i >= 0 && i < klmGameCount(cat) && cat.games[size_t(i)].ownership == kKlmOwnedNotRenamed
            && taken.insert(i).second)
            work.push_back(i);
    return work;
}

std::vector<int32_t> klmRenameAllCandidates(const Catalogue& cat)
{
    std::vector<int32_t> all(cat.games.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = int32_t(i);
    return all;
}

std::vector<int32_t> klmRenameCandidates(const Catalogue& cat, const ViewList& view, int32_t command,
                                         const std::vector<int32_t>& selectedRows)
{
    if (command == kKlmCmdRename)
        return klmRenameAllCandidates(cat);
    std::vector<int32_t> games;
    for (const int32_t row : selectedRows)
        if (row >= 0 && row < view.count && size_t(row) < view.rows.size())
            games.push_back(view.rows[size_t(row)]);
    return games;
}

KlmRenameStartMessages klmRenameStart(KlmRenameRun& run, Catalogue& cat, const Settings& settings,
                                      const std::vector<int32_t>& candidates, bool dryRun)
{
    KlmRenameStepHook hook = std::move(run.stepHook);
    const bool keep = run.keepResults;
    run = KlmRenameRun();
    run.stepHook = std::move(hook);
    run.keepResults = keep;
    KlmRenameStartMessages messages;
    std::vector<int32_t> work = klmRenameWorkList(cat, candidates);
    if (work.empty())
        messages.push_back(kKlmRenameNothingText);
    if (klmField(settings.renamePattern).empty())
        messages.push_back(kKlmRenameNoPatternText);
    if (!messages.empty())
        return messages;

    run.cat = &cat;
    run.work = std::move(work);
    run.insideArchives = settings.renameInsideArchives != 0;
    run.zipMx = klmCompressionLevelMx(settings.zipLevel);
    run.sevenZipMx = klmCompressionLevelMx(settings.sevenZipLevel);
    run.dryRun = dryRun;
    run.phase = KlmRenamePhase::Running;
    return messages;
}

std::optional<KlmRenameJob> klmRenameNextJob(KlmRenameRun& run)
{
    if (run.phase != KlmRenamePhase::Running || run.jobOut || !run.cat)
        return std::nullopt;
    if (run.position >= run.work.size()) {
        finish(run);
        return std::nullopt;
    }
    KlmRenameJob job;
    job.index = run.work[run.position];
    job.game = run.cat->games[size_t(job.index)];
    job.insideArchives = run.insideArchives;
    job.zipMx = run.zipMx;
    job.sevenZipMx = run.sevenZipMx;
    job.dryRun = run.dryRun;
    job.hook = run.stepHook;
    // Work folders a crashed run left are looked for once per folder.
    const std::string folder = klmFolderOf(klmToUtf8(klmField(job.game.foundPath)));
    job.cleanStale = !run.dryRun && run.cleanedFolders.insert(folder).second;
    run.jobOut = true;
    return job;
}

void klmRenameApply(KlmRenameRun& run, const KlmRenameResult& result)
{
    if (!run.jobOut || !run.cat)
        return;
    run.jobOut = false;
    const KlmRenameResult r = run.dryRun ? claimOnce(run, result) : result;
    if (!run.dryRun && r.outcome != KlmRenameOutcome::Unchanged && r.index >= 0
        && r.index < klmGameCount(*run.cat)) {
        writeRecord(run.cat->games[size_t(r.index)], r);
        run.changedGames.push_back(r.index);
    }
    switch (r.outcome) {
    case KlmRenameOutcome::Renamed: ++run.summary.renamed; break;
    case KlmRenameOutcome::Unchanged: ++run.summary.unchanged; break;
    case KlmRenameOutcome::NoLongerOwned: ++run.summary.noLongerOwned; break;
    }
    if (run.keepResults)
        run.results.push_back(r);
    ++run.position;
    if (run.cancelPending) {
        run.summary.cancelled = true;
        finish(run);
    }
}

KlmRenamePhase klmRenameStep(KlmRenameRun& run)
{
    if (std::optional<KlmRenameJob> job = klmRenameNextJob(run))
        klmRenameApply(run, klmRenameExecute(*job));
    return run.phase;
}

void klmRenameRunToEnd(KlmRenameRun& run)
{
    while (klmRenameStep(run) == KlmRenamePhase::Running) {
    }
}

void klmRenameCancel(KlmRenameRun& run)
{
    if (run.phase != KlmRenamePhase::Running)
        return;
    if (run.jobOut) {
        run.cancelPending = true;
        return;
    }
    run.summary.cancelled = true;
    finish(run);
}

KlmRenameProgress klmRenameProgress(const KlmRenameRun& run)
{
    KlmRenameProgress p;
    const size_t length = run.work.size();
    const size_t position = std::min(run.position, length);
    if (length > 0)
        p.percent = int32_t(position * 100 / length);
    char text[64];
    std::snprintf(text, sizeof text, "%5d/%5d(%2d%%)", int(position), int(length), int(p.percent));
    p.progressText = text;
    if (run.cat && position < length)
        p.pathText = klmToUtf8(klmField(run.cat->games[size_t(run.work[position])].foundPath));
    return p;
}

KlmRenameReport klmRenameCatalogue(Catalogue& cat, const Settings& settings,
                                   const std::optional<std::vector<int32_t>>& selected, bool dryRun,
                                   const std::function<bool()>& stopRequested)
{
    KlmRenameReport report;
    std::vector<int32_t> candidates;
    if (selected) {
        for (const int32_t i : *selected) {
            if (i >= 0 && i < klmGameCount(cat))
                candidates.push_back(i);
            else
                report.badIndices.push_back(i);
        }
    } else {
        candidates = klmRenameAllCandidates(cat);
    }
    KlmRenameRun run;
    run.keepResults = true;
    report.messages = klmRenameStart(run, cat, settings, candidates, dryRun);
    if (!report.messages.empty())
        return report;
    while (klmRenameStep(run) == KlmRenamePhase::Running)
        if (stopRequested && run.position < run.work.size() && stopRequested())
            klmRenameCancel(run);
    report.games = std::move(run.results);
    report.summary = run.summary;
    return report;
}

std::string klmRenameSummaryLine(const KlmRenameSummary& s)
{
    char text[160];
    std::snprintf(text, sizeof text, "リネーム %d件、変更なし %d件、所有でなくなった %d件", int(s.renamed),
                  int(s.unchanged), int(s.noLongerOwned));
    return text;
}
