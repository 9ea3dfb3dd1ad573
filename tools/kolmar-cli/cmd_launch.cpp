// kolmar-cli launch BASEDIR GAME [--emulator K] [--dry-run]: starts a game
// (GAME is its catalogue index) as a double click in the window would, with
// the hardware's default emulator or its emulator number K (0 is the first,
// as in the row's pop-up menu).
//
// --dry-run prints the launch plan as one JSON object and touches nothing:
//   program  the program started (a bare name is looked up on PATH)
//   args     its arguments after the program name, exactly as it gets them
//   cwd      the folder it starts in
//   extract  [{archive, folder, passed}]: each archive, the fresh folder it
//            is unpacked into and the member passed to the emulator
//   record   the folders whose unpacked files are deleted afterwards
//   script   the key-code file played once the emulator is ready, or null
//
// Without it the launch is carried out: the make-default setting rewrites
// emulator.dat, the archives are unpacked, the emulator starts, its key
// script is played (when the display has XTest), and kolmar-cli waits for
// the emulator to end, then deletes what it unpacked. Ctrl+C or a TERM
// signal is passed on to the emulator and the clean-up still runs.
//
// The folder is opened read-only, and the program's single-instance guard
// is not held while the game runs (that would keep Kolmar from starting
// for as long as the game is played). The one save file a launch writes is
// emulator.dat, and only for the make-default setting: that write takes the
// guard for its moment and is skipped while a Kolmar window runs, since the
// window writes its own registry at close. Unpacked files go to folders of
// this run alone, so a window's launches are never touched.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "cli.h"
#include "emulator/extraction.h"
#include "emulator/key_script.h"
#include "emulator/launch.h"
#include "key_sender.h"
#include "process.h"
#include "single_instance.h"
#include "text/file_io.h"
#include "window_watch.h"

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);

volatile sig_atomic_t gotSignal = 0;

void onSignal(int signal) { gotSignal = signal; }

// Ctrl+C and TERM while the emulator runs: noted, passed on, cleaned up after.
void catchStopSignals()
{
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
}


KlmJson planJson(const KlmLaunchPlan& plan)
{
    KlmJson out;
    out["program"] = plan.program;
    out["args"] = plan.args;
    std::error_code ec;
    out["cwd"] = plan.workingFolder.empty() ? std::filesystem::current_path(ec).string() : plan.workingFolder;
    out["extract"] = KlmJson::array();
    out["record"] = KlmJson::array();
    for (const KlmLaunchExtraction& x : plan.extract) {
        out["extract"].push_back({{"archive", x.archive}, {"folder", x.folder}, {"passed", x.passed}});
        out["record"].push_back(x.folder);
    }
    out["script"] = plan.keyScript.empty() ? KlmJson(nullptr) : KlmJson(plan.keyScript);
    return out;
}

// The make-default setting: emulator.dat gets the new default before the
// start, unless a Kolmar window runs (it owns the save files until it closes).
void commitDefault(KlmAppContext& ctx, const KlmLaunchPlan& plan)
{
    const klm::platform::SingleInstance guard;
    if (guard.anotherRunning()) {
        std::fprintf(stderr, "Kolmar が起動しているため、デフォルトエミュレータの変更は保存しませんでした\n");
        return;
    }
    std::string error;
    if (!klmCommitLaunchDefault(ctx.state.emulators, ctx.catalogue, plan, ctx.paths.emulatorDat, &error))
        std::fprintf(stderr, "%s: %s\n", ctx.paths.emulatorDat.c_str(), error.c_str());
}

// Sleeps ms in short steps; false when the emulator ended or a signal came.
bool sleepWhileRunning(int pid, int32_t ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (gotSignal || klm::platform::processEnded(pid)) return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kPollInterval,
                                                                               end - std::chrono::steady_clock::now()));
    }
    return true;
}

// Waits for the emulator's first window, then plays the script into it.
void playKeyScript(const KlmLaunchPlan& plan, int pid)
{
    klm::platform::WindowWatch watch(pid);
    klm::platform::KeySender sender(pid);
    if (!watch.connected() || !sender.available()) {
        std::fprintf(stderr, "%s\n", kKlmNoKeySenderText);
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    while (!watch.findWindow()) {
        const bool late = std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(kKlmReadyTimeoutMs);
        if (late || gotSignal || klm::platform::processEnded(pid)) {
            if (!gotSignal) std::fprintf(stderr, "%s: %s\n", kKlmLaunchErrorTitle, kKlmReadyTimeoutText);
            return;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    std::string image;
    if (!klmReadWholeFile(plan.keyScript, image)) return;  // an unreadable key file is not run
    KlmKeyScriptRun run = klmStartKeyScript(klmParseKeyScript(image), plan.firstRomText);
    bool copyNoted = false;
    for (KlmKeyAction a = klmNextKeyAction(run); a.kind != KlmKeyActionKind::End; a = klmNextKeyAction(run)) {
        if (a.kind == KlmKeyActionKind::Key) {
            sender.send(a.vk, a.down);
        } else if (a.kind == KlmKeyActionKind::Wait) {
            if (!sleepWhileRunning(pid, a.ms)) break;
        } else if (!copyNoted) {
            copyNoted = true;
            std::fprintf(stderr, "COPY $image: kolmar-cli はクリップボードを使わないため、コピーしませんでした\n");
        }
    }
    sender.releaseAll();
}

// Extraction, start, key script, the wait for the end, the clean-up.
int carryOut(KlmAppContext& ctx, const KlmLaunchPlan& plan)
{
    if (plan.makeDefault) commitDefault(ctx, plan);
    ExtractedFileList unpacked;
    const KlmExtractOutcome extracted = klmExtractForLaunch(plan, unpacked);
    if (!extracted.ok) {
        std::fprintf(stderr, "%s: %s\n", extracted.title.c_str(), extracted.message.c_str());
        return kKlmExitProblems;
    }
    catchStopSignals();
    const klm::platform::StartResult started =
        klm::platform::startProgram(plan.program, plan.args, plan.workingFolder);
    int rc = kKlmExitOk;
    if (!started.started) {
        std::fprintf(stderr, "%s: %s\n%s\n", kKlmLaunchErrorTitle, kKlmStartFailedText, started.reason.c_str());
        rc = kKlmExitProblems;
    } else {
        if (!plan.keyScript.empty()) playKeyScript(plan, started.pid);
        bool passedOn = false;
        while (!klm::platform::processEnded(started.pid)) {
            if (gotSignal && !passedOn) {
                passedOn = true;
                ::kill(started.pid, gotSignal);
            }
            std::this_thread::sleep_for(kPollInterval);
        }
    }
    if (const size_t left = klmDeleteExtractedFiles(unpacked); left > 0) {
        std::fprintf(stderr, "解凍したファイルのうち %zu 件を削除できませんでした\n", left);
        rc = kKlmExitProblems;
    }
    return gotSignal ? 128 + gotSignal : rc;
}

int runLaunch(const std::string& base, int32_t game, int32_t emulator, bool dryRun)
{
    KlmAppContext ctx;
    KlmOpenOptions options;
    options.readOnly = true;
    if (!klmCliOpenSession(ctx, base, options)) return kKlmExitCannotLoad;
    if (game >= klmGameCount(ctx.catalogue)) {
        std::fprintf(stderr, "ゲーム %d はカタログにありません (0〜%d)\n", game, klmGameCount(ctx.catalogue) - 1);
        return kKlmExitCannotLoad;
    }
    const KlmLaunchPlan plan =
        klmPlanLaunch(ctx.catalogue, ctx.state.emulators, ctx.state.settings, {game, emulator, klmNewLaunchTag()});
    if (plan.status == KlmLaunchStatus::NoGame) {
        std::fprintf(stderr, "エミュレータ %d は登録されていません\n", emulator);
        return kKlmExitProblems;
    }
    if (plan.status != KlmLaunchStatus::Ready) {
        std::fprintf(stderr, "%s: %s\n", plan.title.c_str(), plan.message.c_str());
        return kKlmExitProblems;
    }
    if (dryRun) {
        if (!klmCliWrite(planJson(plan).dump(-1, ' ', false, KlmJson::error_handler_t::replace) + '\n') ||
            !klmCliFlush())
            return kKlmExitProblems;
        return kKlmExitOk;
    }
    return carryOut(ctx, plan);
}

}  // namespace

KlmCliRun klmCliLaunch(CLI::App& app)
{
    struct Options {
        std::string base;
        int32_t game = -1;
        int32_t emulator = -1;
        bool dryRun = false;
    };
    auto o = std::make_shared<Options>();
    klmCliBaseArgument(app, o->base);
    app.add_option("GAME", o->game)->required()->check(CLI::NonNegativeNumber);
    app.add_option("--emulator", o->emulator)->check(CLI::Range(0, kKlmMaxEmulators - 1));
    app.add_flag("--dry-run", o->dryRun);
    return [o] { return runLaunch(o->base, o->game, o->emulator, o->dryRun); };
}
