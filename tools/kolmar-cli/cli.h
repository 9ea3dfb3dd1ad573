// kolmar-cli: the command table's entries and what the commands share.
// Terminal text is UTF-8 both ways; catalogue texts are converted on output.
#pragma once

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "catalogue/catalogue.h"
#include "session/session.h"

// Exit codes every command keeps to.
inline constexpr int kKlmExitOk = 0;
inline constexpr int kKlmExitProblems = 1;
inline constexpr int kKlmExitCannotLoad = 2;  // also a usage error

// JSON objects keep their members in the order they were added.
using KlmJson = nlohmann::ordered_json;

// What a command does once its arguments are parsed; returns the exit code.
using KlmCliRun = std::function<int()>;

struct KlmCliCommand {
    const char* name;
    const char* usage;    // "check BASEDIR"
    const char* summary;  // one line for the help text
    const char* fullUsage;  // the usage line after a wrong argument; null: usage
    // Declares the command's arguments on its parser.
    KlmCliRun (*declare)(CLI::App& app);
};

// Commands (one cmd_*.cpp each; main.cpp lists them).
KlmCliRun klmCliCheck(CLI::App& app);
KlmCliRun klmCliDump(CLI::App& app);
KlmCliRun klmCliSearch(CLI::App& app);
KlmCliRun klmCliAudit(CLI::App& app);
KlmCliRun klmCliSaves(CLI::App& app);
KlmCliRun klmCliLaunch(CLI::App& app);
KlmCliRun klmCliRename(CLI::App& app);

// Every option of search, for its usage line.
extern const char* const kKlmCliSearchUsage;

// The base folder argument every command takes first.
CLI::Option* klmCliBaseArgument(CLI::App& app, std::string& base);

// Prints "usage: kolmar-cli <usage>" to stderr and returns kKlmExitCannotLoad.
int klmCliUsage(const char* usage);

// The paths of baseDir and the required-file check, as start-up does them.
// On failure prints the check's message to stderr and returns false.
bool klmCliOpenBase(const std::string& baseDir, AppPaths& paths);

// Loads the catalogue through the start-up path (dat.cache when valid, else
// the text files) without writing anything. False after a message on stderr.
bool klmCliLoadCatalogue(const AppPaths& paths, Catalogue& cat, KlmLoadSource* source = nullptr,
                         KlmProblemList* problems = nullptr);

// The start-up of the program on baseDir (klmOpenSession), its reader
// messages on stderr. False after the required-file message on stderr.
bool klmCliOpenSession(KlmAppContext& ctx, const std::string& baseDir, KlmOpenOptions options,
                       KlmOpenReport* report = nullptr);

// Names on stderr the save files the start-up could not read (the commands
// that write go on with the defaults, as the program does).
void klmCliNoteUnreadable(const KlmAppContext& ctx, const KlmOpenReport& report);

// Writes dat.cache with the sort orders (a start-up takes both or neither),
// as the shutdown would. False after naming the file not written on stderr.
bool klmCliSaveCaches(KlmAppContext& ctx);

// "data.dat:123: <game> が閉じられていません" (UTF-8, no line break).
std::string klmCliProblemText(const KlmProblem& problem);

// A CP932 text (a catalogue field) as a JSON string.
KlmJson klmCliText(std::string_view cp932);

// Every GameRecord field under its dump key.
KlmJson klmCliGameFields(const GameRecord& game, int32_t index);

// Writes text to stdout; false (after a message on stderr) when stdout
// cannot take it.
bool klmCliWrite(const std::string& text);
bool klmCliFlush();
