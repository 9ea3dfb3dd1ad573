// kolmar-cli: the command table's entries and what the commands share.
// Terminal text is UTF-8 both ways; catalogue texts are converted on output.
#pragma once

#include <string>
#include <vector>

#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "catalogue/catalogue.h"

struct KlmJsonLine;

// Exit codes every command keeps to.
inline constexpr int kKlmExitOk = 0;
inline constexpr int kKlmExitProblems = 1;
inline constexpr int kKlmExitCannotLoad = 2;  // also a usage error

// The words after the command name.
using KlmCliArgs = std::vector<std::string>;

struct KlmCliCommand {
    const char* name;
    const char* usage;    // "check BASEDIR"
    const char* summary;  // one line for the help text
    int (*run)(const KlmCliArgs& args);
};

// Commands (one cmd_*.cpp each; main.cpp lists them).
int klmCliCheck(const KlmCliArgs& args);
int klmCliDump(const KlmCliArgs& args);
int klmCliSearch(const KlmCliArgs& args);
int klmCliAudit(const KlmCliArgs& args);
int klmCliSaves(const KlmCliArgs& args);

// Prints "usage: kolmar-cli <usage>" to stderr and returns kKlmExitCannotLoad.
int klmCliUsage(const char* usage);

// Builds the paths for baseDir (made absolute) as start-up does and runs the
// required-file check. On failure prints the check's message to stderr and
// returns false.
bool klmCliOpenBase(const std::string& baseDir, AppPaths& paths);

// Loads the catalogue through the start-up path (dat.cache when valid, else
// the text files) without writing anything. False after a message on stderr.
bool klmCliLoadCatalogue(const AppPaths& paths, Catalogue& cat, KlmLoadSource* source = nullptr,
                         KlmProblemList* problems = nullptr);

// "data.dat:123: <game> が閉じられていません" (UTF-8, no line break).
std::string klmCliProblemText(const KlmProblem& problem);

// Every GameRecord field under its dump key.
void klmCliGameFields(KlmJsonLine& line, const GameRecord& game, int32_t index);
