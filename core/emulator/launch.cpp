#include "emulator/launch.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <system_error>

#include "audit/archiver.h"
#include "emulator/command_line.h"
#include "emulator/extraction.h"
#include "text/cp932.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kImage = "$image";
constexpr std::string_view kArcade = "$arcade";
constexpr std::string_view kDisk1 = "$disk1";
constexpr std::string_view kDisk2 = "$disk2";

bool isFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec) && !fs::is_directory(path, ec);
}

// Relative paths would be read from the emulator's folder, not ours.
std::string absolutePath(const std::string& path)
{
    std::error_code ec;
    fs::path abs = fs::absolute(path, ec);
    return ec ? path : abs.string();
}

// Only these two exact extensions are unpacked for a launch (".ZIP" is
// passed as it is).
bool extractable(std::string_view path)
{
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view ext = name.substr(dot);
    return ext == ".zip" || ext == ".7z";
}

struct Planner {
    const EmulatorEntry& entry;
    const std::string& tag;
    KlmLaunchPlan& plan;

    bool refuse(std::string message)
    {
        plan.status = KlmLaunchStatus::Refused;
        plan.message = std::move(message);
        plan.title = kKlmLaunchErrorTitle;
        plan.warningIcon = true;
        return false;
    }

    // The extraction of an archive, planned once however often it is met.
    const KlmLaunchExtraction* extraction(const std::string& archive)
    {
        for (const KlmLaunchExtraction& x : plan.extract)
            if (x.archive == archive)
                return &x;
        const std::string base = klmToUtf8(klmField(entry.extractFolder));
        std::error_code ec;
        if (base.empty() || !fs::is_directory(base, ec)) {
            refuse("解凍先のフォルダが存在しません");
            return nullptr;
        }
        const KlmArchiveMember first = klmReadFirstMember(archive);
        if (!first.ok || first.nativeName.empty()) {
            refuse(std::string(kKlmExtractFailedText) + "\n" + archive);
            return nullptr;
        }
        KlmLaunchExtraction x;
        x.archive = archive;
        x.folder = (fs::path(absolutePath(base)) /
                    ("kolmar-" + tag + "-" + std::to_string(plan.extract.size() + 1))).string();
        x.passed = x.folder + "/" + first.nativeName;
        plan.extract.push_back(std::move(x));
        return &plan.extract.back();
    }

    // The file a game's ROM is passed as. A missing ROM leaves target as it
    // was; false when the launch is refused.
    bool prepare(const GameRecord& g, std::string& target)
    {
        const std::string found = klmToUtf8(klmField(g.foundPath));
        if (!isFile(found))
            return true;
        const std::string abs = absolutePath(found);
        if (entry.extract && extractable(abs)) {
            const KlmLaunchExtraction* x = extraction(abs);
            if (!x)
                return false;
            target = x->passed;
        } else {
            target = abs;
        }
        return true;
    }

    // Disc mode: discs 0 and 1 fill the two arguments (the last one of each
    // with an existing ROM); later discs are only unpacked.
    bool discs(const Catalogue& cat, const GameRecord& selected, std::string& first, std::string& second)
    {
        int32_t last[2] = {-1, -1};
        for (int32_t i = 0; i < klmGameCount(cat); ++i) {
            const GameRecord& g = cat.games[static_cast<size_t>(i)];
            if (g.group == selected.group && (g.disk == 0 || g.disk == 1) &&
                isFile(klmToUtf8(klmField(g.foundPath))))
                last[g.disk] = i;
        }
        for (int32_t i = 0; i < klmGameCount(cat); ++i) {
            const GameRecord& g = cat.games[static_cast<size_t>(i)];
            if (g.group != selected.group)
                continue;
            if (g.disk == 0 || g.disk == 1) {
                if (i == last[g.disk] && !prepare(g, g.disk == 0 ? first : second))
                    return false;
                continue;
            }
            const std::string found = klmToUtf8(klmField(g.foundPath));
            if (entry.extract && isFile(found) && extractable(found) && !extraction(absolutePath(found)))
                return false;
        }
        return true;
    }
};

}  // namespace

KlmLaunchMode klmLaunchModeOf(std::string_view options)
{
    if (klmContainsText(options, kImage))
        return KlmLaunchMode::Image;
    if (klmContainsText(options, kArcade))
        return KlmLaunchMode::Arcade;
    return KlmLaunchMode::Disc;
}

KlmLaunchPlan klmPlanLaunch(const Catalogue& cat, const EmulatorRegistry& reg, const Settings& settings,
                            const KlmLaunchRequest& request)
{
    KlmLaunchPlan plan;
    if (request.game < 0 || request.game >= klmGameCount(cat))
        return plan;
    const GameRecord& game = cat.games[static_cast<size_t>(request.game)];
    plan.game = request.game;
    plan.hardware = game.hardware;
    const EmulatorBlock* block = klmEmulatorBlock(reg, game.hardware);
    if (!block || block->count <= 0) {
        const bool known = game.hardware >= 0 && static_cast<size_t>(game.hardware) < cat.hardware.size();
        plan.status = KlmLaunchStatus::NoEmulator;
        plan.message = (known ? klmToUtf8(klmField(cat.hardware[static_cast<size_t>(game.hardware)].name))
                              : std::string()) +
                       "のエミュレータが登録されていません";
        plan.title = kKlmLaunchWarningTitle;
        return plan;
    }
    const int32_t index = request.emulatorIndex == -1 ? block->defaultIndex : request.emulatorIndex;
    if (index < 0 || index >= block->count || index >= kKlmMaxEmulators)
        return plan;  // no such menu entry: nothing to do
    const EmulatorEntry entry = block->entries[static_cast<size_t>(index)];
    plan.emulatorIndex = index;
    plan.makeDefault = settings.launchedBecomesDefault != 0;

    plan.program = klmToUtf8(klmField(entry.filePath));
    // A bare name is looked up on the search path; any other path is made
    // absolute, since the program starts in its own folder.
    if (plan.program.find('/') != std::string::npos)
        plan.program = absolutePath(plan.program);
    plan.workingFolder = fs::path(plan.program).parent_path().string();
    const std::string_view options = klmField(entry.options);
    plan.mode = klmLaunchModeOf(options);

    Planner p{entry, request.runTag, plan};
    std::string first, second;
    std::vector<std::string_view> names;
    switch (plan.mode) {
    case KlmLaunchMode::Image:
        if (!p.prepare(game, first))
            return plan;
        names = {kImage};
        break;
    case KlmLaunchMode::Arcade:
        first = klmToUtf8(klmField(game.arcadeFile));
        names = {kArcade};
        break;
    case KlmLaunchMode::Disc:
        if (!p.discs(cat, game, first, second))
            return plan;
        names = {kDisk1, kDisk2};
        break;
    }
    plan.args = klmBuildArguments(klmSplitOptions(options, names), {first, second});
    plan.firstRomText = entry.quote && plan.mode != KlmLaunchMode::Arcade && !first.empty()
                            ? "\"" + first + "\""
                            : first;
    const std::string keyFile = klmToUtf8(klmField(entry.keyFile));
    if (isFile(keyFile))
        plan.keyScript = absolutePath(keyFile);
    plan.status = KlmLaunchStatus::Ready;
    return plan;
}

std::string klmNewLaunchTag()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::to_string(::getpid()) + "-" +
           std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

bool klmCommitLaunchDefault(EmulatorRegistry& reg, const Catalogue& cat, const KlmLaunchPlan& plan,
                            const std::string& emulatorDatPath, std::string* error)
{
    if (!klmSetDefaultEmulator(reg, plan.hardware, plan.emulatorIndex)) {
        if (error)
            *error = "no such emulator";
        return false;
    }
    return klmSaveEmulatorFile(emulatorDatPath, reg, cat, error);
}
