// The launch of a game as a plan: which program runs, with which argument
// list, in which folder, after extracting which archives, and what the
// caller must show or do. Planning reads the disk (existence of files, the
// first member of an archive) but changes nothing; the caller carries the
// plan out:
//   1. status != Ready: show the box (when there is a message) and stop;
//   2. makeDefault: klmCommitLaunchDefault, which rewrites emulator.dat;
//   3. klmExtractForLaunch (extraction.h); on failure show its box and stop;
//   4. start program with args in workingFolder, without a shell;
//   5. with a keyScript: wait (from a timer) for the process's first window
//      for kKlmReadyTimeoutMs, then run the script (key_script.h).
//
// The mode comes from the options: "$image" (image mode), else "$arcade"
// (arcade mode), else disc mode (also without any placeholder), where every
// game of the selected game's group is looked at in catalogue order: disc 0
// fills "$disk1", disc 1 "$disk2" (the last with an existing ROM wins), and
// later discs are only extracted when the entry extracts.
//
// Each placeholder value is one argument's part, never split or re-read;
// ROM paths are absolute. The quote and short-path flags change nothing the
// emulator receives (there are no short paths, and no command line to quote
// for); the quote flag still shows in the text COPY $image copies.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "emulator/registry.h"
#include "settings/settings.h"

inline constexpr int32_t kKlmReadyTimeoutMs = 20000;
// Program texts (UTF-8) of the launch.
inline constexpr const char* kKlmReadyTimeoutText = "20秒待ちましたが、エミュレータが起動しませんでした";
inline constexpr const char* kKlmLaunchErrorTitle = "エラー";
inline constexpr const char* kKlmLaunchWarningTitle = "警告";
inline constexpr const char* kKlmStartFailedText = "エミュレータを起動できませんでした";
inline constexpr const char* kKlmNoKeySenderText =
    "キー入力を送れない環境のため、仮想キーコードファイルは実行しませんでした";

enum class KlmLaunchMode { Image, Arcade, Disc };

// The mode the options select (placeholders found where a character starts).
KlmLaunchMode klmLaunchModeOf(std::string_view options);

enum class KlmLaunchStatus {
    Ready,
    NoGame,      // no game selected or no such emulator index: nothing happens
    NoEmulator,  // "<hardware>のエミュレータが登録されていません"
    Refused,     // a ROM that must be extracted cannot be: message
};

// One archive to extract. Every archive gets a fresh folder of its own
// inside the entry's extraction folder, named after the run.
struct KlmLaunchExtraction {
    std::string archive;  // native path of the zip or 7z
    std::string folder;   // fresh folder the members go to (must not exist yet)
    std::string passed;   // native path of the first member inside folder
};

struct KlmLaunchPlan {
    KlmLaunchStatus status = KlmLaunchStatus::NoGame;
    std::string message;  // UTF-8 box text; empty: nothing to show
    std::string title;
    bool warningIcon = false;  // else the information icon

    int32_t game = -1;
    int32_t hardware = -1;
    int32_t emulatorIndex = -1;  // the index actually used
    bool makeDefault = false;    // the setting asks to make it the default
    KlmLaunchMode mode = KlmLaunchMode::Image;

    std::string program;              // native path
    std::vector<std::string> args;    // argv[1..], UTF-8
    std::string workingFolder;        // the program's folder; empty: ours
    std::vector<KlmLaunchExtraction> extract;
    std::string keyScript;            // native path of an existing key file, or empty
    std::string firstRomText;         // what COPY $image copies (UTF-8)
};

struct KlmLaunchRequest {
    int32_t game = kKlmNoSelection;  // catalogue index
    int32_t emulatorIndex = -1;      // −1: the hardware's default
    // Names the run's extraction folders ("kolmar-<tag>-<n>"): unique per
    // launch, e.g. from klmNewLaunchTag().
    std::string runTag;
};

KlmLaunchPlan klmPlanLaunch(const Catalogue& cat, const EmulatorRegistry& reg, const Settings& settings,
                            const KlmLaunchRequest& request);

// A tag unlikely to have been used before: process id and clock.
std::string klmNewLaunchTag();

// Makes the plan's emulator its hardware's default and writes emulator.dat
// at once (also when it was the default already). False, with a reason,
// when the file could not be written; the registry keeps the new default.
bool klmCommitLaunchDefault(EmulatorRegistry& reg, const Catalogue& cat, const KlmLaunchPlan& plan,
                            const std::string& emulatorDatPath, std::string* error = nullptr);
