// orvanta-cli rename and tag --from-name: the batch tools that plan from names and tags, shown
// as JSON lines by --dry-run, else written as one batch.
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/uCliBatch.h"
#include "cli/uCliCommands.h"
#include "cli/uCliJson.h"
#include "core/batch/uBatchRun.h"
#include "core/batch/uBatchTools.h"
#include "core/common/uPathText.h"
#include "core/common/uTFileUtils.h"

namespace orvanta::cli {

namespace {

using json = nlohmann::json;

struct RenameOptions {
    std::string Pattern;
    std::string Base;
    bool NoPad = false;
    bool DryRun = false;
    std::vector<std::string> Files;
};

struct FromNameOptions {
    std::string Pattern;
    bool Underscores = false;
    bool DryRun = false;
    std::vector<std::string> Files;
};

// The selection with each file's current values; a file that cannot be read is reported and
// left out.
std::vector<TBatchSource> ReadSources(const std::vector<std::string>& Files, bool& AllRead) {
    std::vector<TBatchSource> sources;
    for (const std::string& file : Files) {
        const std::string path = fullPath(file);
        if (!TFileUtils::IsRegularFile(path)) {
            std::cerr << TFileUtils::NotRegularFileMessage(path) << "\n";
            AllRead = false;
            continue;
        }
        TBatchSource source;
        std::string error;
        if (!ReadBatchSource(path, source, error)) {
            std::cerr << DisplayPath(error) << "\n";
            AllRead = false;
            continue;
        }
        sources.push_back(std::move(source));
    }
    return sources;
}

// Prints the plan (dry run) or writes it; the exit code. A file with a problem is reported
// and left out; the others are still written.
int Carry(const TPlanResult& Result, bool AllRead, bool DryRun, bool Renames) {
    if (!Result.Error.empty()) {
        std::cerr << Result.Error << "\n";
        return ExitUsage;
    }
    // One line per file, in the selection's order.
    std::vector<std::string> order;
    std::map<std::string, json> lines;
    bool problems = false;
    for (const TPreviewRow& row : Result.Preview) {
        auto [at, added] = lines.try_emplace(row.Path, json{{"path", row.Path}});
        if (added)
            order.push_back(row.Path);
        json& line = at->second;
        if (!row.Problem.empty()) {
            line["problem"] = row.Problem;
            problems = true;
        } else if (Renames)
            line["new_path"] = row.New;
        else
            line["fields"][row.Field] = row.New;
    }
    if (DryRun) {
        for (const std::string& path : order)
            printLine(lines[path]);
        return AllRead && !problems ? ExitOk : ExitFailed;
    }
    for (const std::string& path : order)
        if (lines[path].contains("problem"))
            std::cerr << lines[path]["problem"].get<std::string>() << "\n"
                      << DisplayPath(path) << "\n";
    const TCliBatchTargets targets;
    TBatchHooks hooks;
    hooks.Progress = [](int Done, int Total, const std::string& Path) {
        if (Done < Total)
            std::cerr << "[" << Done + 1 << "/" << Total << "] " << DisplayPath(Path) << "\n";
    };
    const int written = ReportBatch(RunBatch(Result.Plan, targets.Targets(), hooks));
    return AllRead && !problems && written == ExitOk ? ExitOk : ExitFailed;
}

int RunRename(const RenameOptions& O) {
    // Files a batch cut short left half moved are first put where its journal says.
    if (!FinishBatchCutShort())
        return ExitFailed;
    bool allRead = true;
    const std::vector<TBatchSource> sources = ReadSources(O.Files, allRead);
    TTagsNameOptions options{O.Pattern, O.Base.empty() ? "" : fullPath(O.Base), !O.NoPad};
    return Carry(PlanNamesFromTags(sources, options), allRead, O.DryRun, true);
}

int RunFromName(const FromNameOptions& O) {
    // Files a batch cut short left half moved are first put where its journal says.
    if (!FinishBatchCutShort())
        return ExitFailed;
    bool allRead = true;
    const std::vector<TBatchSource> sources = ReadSources(O.Files, allRead);
    return Carry(PlanTagsFromNames(sources, {O.Pattern, O.Underscores}), allRead, O.DryRun, false);
}

} // namespace

void RegisterRenameCommands(CLI::App& App, CommandAction& Chosen) {
    auto options = std::make_shared<RenameOptions>();
    CLI::App* command =
        App.add_subcommand("rename", "Rename files after their tags, by a pattern of placeholders");
    command
        ->add_option("--pattern", options->Pattern,
                     "%title% %artist% %album% %albumartist% %track% %disc% %year% %genre% "
                     "%composer% %comment%; \"/\" makes folders; the extension is kept")
        ->required();
    command->add_option("--base", options->Base,
                        "Folder the new names start from; by default each file's own");
    command->add_flag("--no-pad", options->NoPad, "%track% without a leading zero");
    command->add_flag("--dry-run", options->DryRun, "Print the plan as JSON lines; change nothing");
    command->add_option("FILE", options->Files, "Audio files")->required();
    command->callback([&Chosen, options] { Chosen = [options] { return RunRename(*options); }; });
}

TTagFromName AddTagFromName(CLI::App& Tag) {
    auto options = std::make_shared<FromNameOptions>();
    Tag.add_option("--from-name", options->Pattern,
                   "Set fields from the files' names by a pattern such as \"%track% - %title%\" "
                   "(\"/\" takes in folders; %ignore% skips a part); takes several FILEs");
    Tag.add_flag("--underscores", options->Underscores, "With --from-name: \"_\" as a space");
    Tag.add_flag("--dry-run", options->DryRun, "With --from-name: print the plan; change nothing");
    return [options, &Tag](const std::vector<std::string>& Files,
                           CommandAction Single) -> CommandAction {
        if (options->Pattern.empty() && !options->DryRun && !options->Underscores)
            return Single;
        // The names give the fields: any other field option would be lost silently.
        const auto others = Tag.get_options([](const CLI::Option* Option) {
            return Option->count() > 0 && Option->get_name() != "FILE" &&
                   Option->get_name() != "--from-name" && Option->get_name() != "--dry-run" &&
                   Option->get_name() != "--underscores";
        });
        const std::string error =
            options->Pattern.empty() ? "--dry-run and --underscores need --from-name."
            : others.empty()
                ? ""
                : "--from-name takes its fields from the names: " + others.front()->get_name() +
                      " does not go with it.";
        if (!error.empty())
            return [error] {
                std::cerr << error << "\n";
                return ExitUsage;
            };
        options->Files = Files;
        return [options] { return RunFromName(*options); };
    };
}

} // namespace orvanta::cli
