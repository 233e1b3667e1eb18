#include "profile_commands.h"

#include "boot_guard.h"
#include "command_table.h"
#include "config_access.h"
#include "echoed_text.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_values.h"
#include "files.h"
#include "interruption.h"
#include "json_output.h"
#include "paths.h"
#include "standard_output.h"
#include "tune_journal.h"

#include <optional>

namespace {

// The text of the profile `path`, and the name that messages give it: standard input for "-".
std::string ProfileText(const Invocation& call, const std::string& path, std::string& source, bool ownersAlone = false)
{
    if (path != "-") {
        source = path;
        return ReadProfileSource(path, ownersAlone);
    }
    if (call.routeChoice.dump && *call.routeChoice.dump == "-")
        throw StatusError(ExitBadInput, "standard input is the dump of --emulated=-, so the profile must be a FILE");
    source = StandardInputName;
    return ReadInputText(call.in, source, ProfileSizeLimit);
}

Profile ReadProfileArgument(const Invocation& call, const std::string& path, bool ownersAlone = false)
{
    std::string source;
    const std::string text = ProfileText(call, path, source, ownersAlone);
    return ParseProfile(text, source);
}

// Where standard output says nothing: -q. Every write succeeds, so that apply goes on.
std::ostream& Quiet()
{
    struct Discard : std::streambuf {
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    };
    static Discard discard;
    static std::ostream nowhere(&discard);
    return nowhere;
}

// Where the guard of a boot-time apply keeps its marker: the system's folder for the chip, or,
// where the system has none (Windows), the folder of the profile; beside the dump for an
// emulated chip, which must never stop or clear a real boot's apply. The built-in emulated chip
// and one read from standard input last no longer than the program: they have no marker. Nor
// has apply --settle, which names no profile, where the marker lies beside it.
std::optional<BootGuard> GuardFor(const Invocation& call, const std::string& profilePath)
{
    const CtlSystem& system = call.system;
    if (call.routeChoice.kind != RouteKind::Emulated) {
        if (system.stateDir.empty() && profilePath.empty())
            return std::nullopt;
        if (system.stateDir.empty())
            return BootGuard{FolderOf(profilePath), system.settleSeconds, system.bootIdPath};
        BootGuard guard{system.stateDir, system.settleSeconds, system.bootIdPath};
        guard.privateFolder = true;
        return guard;
    }
    if (!call.routeChoice.dump || *call.routeChoice.dump == "-")
        return std::nullopt;
    const std::string& dump = *call.routeChoice.dump;
    BootGuard guard{FolderOf(dump), system.settleSeconds, system.bootIdPath};
    guard.markerName = NameOf(dump) + ".apply-in-progress";
    return guard;
}

// The line that says the guard's marker is gone; nothing when there was none.
void SayWhenSettled(const BootGuard& guard, std::ostream& out)
{
    const std::string done = SettleGuard(guard);
    if (!done.empty())
        out << done << "\n";
}

}  // namespace

void SaveProfile(ConfigAccess& chip, const std::string& path, std::ostream& out)
{
    const std::string text = FormatProfile(chip, LocalTimeNow());
    if (path == "-")
        AsFileBytes(out) << text;
    else
        WriteProfileFile(path, text);
}

ProfileRisks RisksOf(const Profile& profile)
{
    // Where any change is the risk (the SDRAM timings, the AGP rate), check, which reads no chip,
    // cannot tell whether an apply would change the setting. Every profile that save wrote holds
    // all of them, and a warning for each on every check would teach users to skip warnings.
    ProfileRisks risks;
    for (size_t i = 0; i < profile.settings.size(); ++i) {
        const FieldSetting& setting = profile.settings[i];
        if (RiskLine(setting).empty())
            continue;
        if (RiskInEveryChange(*setting.field))
            risks.onChange.push_back(FieldKey(*setting.field));
        else
            risks.warned.push_back(i);
    }
    return risks;
}

void CheckProfile(const Profile& profile, std::ostream& out, const RiskNotice& notice)
{
    const ProfileRisks risks = RisksOf(profile);
    const size_t warnings = risks.warned.size();
    const std::vector<std::string>& onChange = risks.onChange;
    if (notice)
        for (size_t i : risks.warned)
            notice(profile.settings[i]);
    out << profile.source << ": " << profile.settings.size()
        << (profile.settings.size() == 1 ? " setting" : " settings") << ", no problems";
    if (warnings)
        out << ", " << warnings << (warnings == 1 ? " warning" : " warnings");
    for (size_t i = 0; i < onChange.size(); ++i)
        out << (i == 0 ? "; apply warns if it changes " : i + 1 == onChange.size() ? " or " : ", ") << onChange[i];
    out << "\n";
}

std::vector<ProfileDifference> DiffProfile(ConfigAccess& chip, const Profile& profile)
{
    RequireI815(chip);
    const std::map<uint32_t, uint32_t> dwords = ReadSettingDwords(chip);
    std::vector<ProfileDifference> differences;
    for (size_t i = 0; i < profile.settings.size(); ++i) {
        const FieldSetting& setting = profile.settings[i];
        const uint32_t dword = dwords.at(setting.field->dword);
        if (FieldState(*setting.field, dword) != setting.state)
            differences.push_back({setting, profile.lines[i], dword});
    }
    return differences;
}

void ApplyProfile(ConfigAccess& chip, const Profile& profile, bool dryRun, std::ostream& out, int* writes,
                  const RiskNotice& notice)
{
    RequireI815(chip);
    const std::vector<FieldSetting> changes = PlanChanges(chip, profile.settings);
    if (changes.empty()) {
        out << "nothing to change\n";
        return;
    }
    if (notice)
        for (const FieldSetting& change : changes)
            if (!RiskLine(change).empty())
                notice(change);
    if (dryRun) {
        for (const FieldSetting& change : changes)
            out << "would change " << ChangeText(change, chip.Read(change.field->dword)) << "\n";
        return;
    }
    WriteSettings(chip, changes, profile.settings, ArrivedSignal(), &out, writes);
}

int SaveCommand(Invocation& call)
{
    SaveProfile(call.Chip(false), call.args.front(), call.out);
    return ExitNormal;
}

int CheckCommand(Invocation& call)
{
    std::string source;
    const std::string text = ProfileText(call, call.args.front(), source);
    std::vector<ProfileProblem> problems;
    const Profile profile = ReadProfileText(text, source, problems);
    if (call.Flag("--json")) {
        // The problems are said as without --json too: the JSON is for the program that asked.
        CheckJson(profile, problems, call.Flag("--quiet") ? Quiet() : call.out);
        if (!problems.empty())
            RefuseProfile(source, problems);
        for (size_t i : RisksOf(profile).warned)
            call.Warnings(&profile)(profile.settings[i]);
        return ExitNormal;
    }
    if (!problems.empty())
        RefuseProfile(source, problems);
    CheckProfile(profile, call.Flag("--quiet") ? Quiet() : call.out, call.Warnings(&profile));
    return ExitNormal;
}

int DiffCommand(Invocation& call)
{
    const Profile profile = ReadProfileArgument(call, call.args.front());
    const std::vector<ProfileDifference> differences = DiffProfile(call.Chip(false), profile);
    std::ostream& out = call.Flag("--quiet") ? Quiet() : call.out;
    if (call.Flag("--json"))
        DiffJson(profile, differences, out);
    else
        for (const ProfileDifference& difference : differences)
            out << ChangeText(difference.wanted, difference.dword) << "\n";
    return differences.empty() ? ExitNormal : ExitFailure;
}

// At boot, tune's hang journal first: a step that tune left unfinished hung the machine (the
// apply may well be the first program to run since), and a setting that hung it is never
// written unattended; the chip then stays as the BIOS set it.
namespace {
void RefuseWhatHangs(Invocation& call, const BootGuard& guard, const Profile& profile)
{
    const JournalPlace place = JournalBeside(guard);
    if (!FileExists(place.Path()))
        return;
    const MarkerLock running(place.LockPath(), 2);
    if (!running.held())
        throw StatusError(ExitFailure, profile.source + " not applied: " + running.why() + "; is tune running?");
    TuneJournal journal = ReadTuneJournal(place);
    const std::string hung = RecordUnfinishedStep(place, journal);
    if (!hung.empty())
        call.err << ProgramName << ": " << hung << "\n";
    const std::vector<std::string> hanging = HangingSettings(journal, profile.settings);
    if (hanging.empty())
        return;
    std::string names;
    for (const std::string& setting : hanging)
        names += (names.empty() ? "" : ", ") + setting;
    throw StatusError(ExitFailure, profile.source + " not applied: " + names + " hung this machine during tune (" +
                                       place.Path() + "); the chip stays as the BIOS set it. Take " +
                                       (hanging.size() == 1 ? "it" : "them") + " out of the profile.");
}
}  // namespace

int ApplyCommand(Invocation& call)
{
    const std::string& path = call.args.front();
    if (path.size() > 1 && path[0] == '-')  // a mistyped option, never the name of a profile
        throw StatusError(ExitBadInput, call.command + ": unknown option " + Echoed(path));
    const bool dryRun = call.Flag("--dry-run"), boot = call.Flag("--boot");
    const std::optional<BootGuard> guard = GuardFor(call, path);
    if (dryRun && boot)
        throw StatusError(ExitBadInput, call.command + ": --dry-run and --boot do not go together");
    if (boot && path == "-" && call.routeChoice.kind != RouteKind::Emulated && call.system.stateDir.empty())
        throw StatusError(ExitBadInput, call.command + " --boot keeps its marker beside the profile here, so the "
                                                       "profile must be a FILE");
    // At boot root applies the file unattended: a file that another user may write is refused.
    const Profile profile = ReadProfileArgument(call, path, boot);
    auto apply = [&](int& writes) {
        ApplyProfile(call.Chip(!dryRun), profile, dryRun, call.Flag("--quiet") ? Quiet() : call.out, &writes,
                     call.Warnings(&profile));
    };
    if (boot && guard) {
        RefuseWhatHangs(call, *guard, profile);
        GuardedApply(*guard, profile.source, apply);
        if (call.system.settleInApply)
            SayWhenSettled(*guard, call.out);
    } else {
        int writes = 0;
        apply(writes);
    }
    return ExitNormal;
}

JournalPlace TuneJournalPlace(const Invocation& call, const std::string& profilePath)
{
    const std::optional<BootGuard> guard = GuardFor(call, profilePath);
    return guard ? JournalBeside(*guard) : JournalPlace{};
}

int SettleCommand(Invocation& call)
{
    if (const std::optional<BootGuard> guard = GuardFor(call, ""))
        SayWhenSettled(*guard, call.out);
    return ExitNormal;
}
