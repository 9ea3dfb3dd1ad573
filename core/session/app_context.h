// The three owners of a run: the paths, the Catalogue and the main state
// with the settings and everything read from the save folder. One context
// lives from klmOpenSession to klmSaveSession in every front end: the
// window, and each kolmar-cli command that works on a base folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audit/romfolder.h"
#include "browse/custom_store.h"
#include "browse/permute.h"
#include "browse/refresh.h"
#include "catalogue/app_paths.h"
#include "catalogue/catalogue.h"
#include "emulator/extraction.h"
#include "emulator/registry.h"
#include "media/skins.h"
#include "settings/settings.h"
#include "settings/window_file.h"
#include "text/background_writes.h"
#include "text/file_stamp.h"

struct KlmMainState {
    Settings settings;
    EmulatorRegistry emulators;
    SkinTable skins;
    std::vector<RomFolder> romFolders;
    std::vector<ReplacementRule> replacements;
    std::vector<CustomSearchRecord> customSearches;

    // window.dat as read at open (placementRead), and what the window puts
    // back before the save writes it.
    KlmWindowPlacement placement;
    bool placementRead = false;

    // What launches unpacked: deleted first at the save.
    ExtractedFileList extracted;

    // The list's rows (browse.view.rows[0 .. count) are shown), the sort
    // orders and the refresh's own selection.
    KlmBrowseState browse;

    bool reload = true;
    bool startupComplete = false;
    bool autoSelectRunning = false;
    bool autoSelectSuspended = false;
    // A dialog paused the movie (the window's movie player keeps where it
    // stood and whether it plays).
    bool pausedForDialog = false;
    bool programSelection = false;
    // The rename command (all or selected) that started the rename run.
    int32_t renameCommand = 0;
};

// What the run knows of its caches on disk: dat.cache and sort.cache as
// last read or written (the close leaves alone a file that would get the
// same bytes), and the start-up's cache writes while they finish.
struct KlmCacheState {
    KlmFileStamp dat;
    KlmFileStamp sort;
    // The start-up writes, and which of them are dat.cache and sort.cache
    // (their stamps are known once the writes are joined).
    std::unique_ptr<KlmBackgroundWrites> writes;
    int datWrite = -1;
    int sortWrite = -1;
    // Writes open left for later: the caches after a parse, sort.cache
    // after its orders were computed.
    bool laterParsed = false;
    bool laterSort = false;
};

struct KlmAppContext {
    AppPaths paths;
    Catalogue catalogue;
    KlmMainState state;
    KlmCacheState caches;
};
