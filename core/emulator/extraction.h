// Unpacking ROMs for a launch, and removing what was unpacked when the
// program closes.
//
// Each archive of a plan is unpacked into a fresh folder that the run
// creates itself (it must not exist yet), so no file of the user's is ever
// overwritten, and every file found there afterwards was made by the
// extraction. Only those files are recorded; at close they are deleted,
// then the run folders, each only once it is empty (an emulator that saved
// something beside its ROM keeps it).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct KlmLaunchPlan;

inline constexpr const char* kKlmExtractFailedText = "ロムファイルの解凍に失敗しました";

// The files unpacked for launches while the program runs (no upper limit).
struct ExtractedFileList {
    std::vector<std::string> files;    // native paths, as the extraction wrote them
    std::vector<std::string> folders;  // the run folders, in the order they were made
};

struct KlmExtractOutcome {
    bool ok = true;
    std::string message;  // UTF-8 box text when !ok (title "エラー", warning icon)
    std::string title;
};

// Unpacks every archive of the plan into its folder and records what was
// written in list. When one fails, whatever this plan unpacked is removed
// again, nothing is recorded, and the launch must not go on.
KlmExtractOutcome klmExtractForLaunch(const KlmLaunchPlan& plan, ExtractedFileList& list);

// Deletes the recorded files (plain files only; a link put in a file's place
// is left) and then the run folders with their emptied subfolders. The list
// is emptied. Returns how many recorded paths could not be removed.
size_t klmDeleteExtractedFiles(ExtractedFileList& list);
