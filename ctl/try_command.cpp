#include "try_command.h"

#include "command_table.h"
#include "config_access.h"
#include "config_lock.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_values.h"
#include "interruption.h"
#include "profile.h"
#include "terminal_answer.h"

#include <optional>

#include <unistd.h>

namespace {

std::string Reason(Answer answer, int seconds)
{
    switch (answer) {
    case Answer::No: return "not kept";
    case Answer::NoTime: return "no \"yes\" within " + std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
    case Answer::Gone: return "the terminal went away";
    case Answer::Interrupted: return InterruptionText();
    case Answer::Yes: break;
    }
    return {};
}

// The undo never gives up for want of the lock: another program of ours holds it for one
// read-modify-write at a time, so it frees again. After each time-out it says so and waits on.
template <typename Step>
auto Patiently(const Field& field, std::ostream& out, Step step)
{
    for (;;) {
        try {
            return step();
        } catch (const ConfigLockBusy& busy) {
            out << busy.what() << "; still waiting for it, to undo " << FieldKey(field) << "\n" << std::flush;
        }
    }
}

}  // namespace

int TrySettings(ConfigAccess& chip, const std::vector<FieldSetting>& wanted, int seconds, int input,
                std::ostream& out, const RiskNotice& notice, bool force)
{
    RequireI815(chip);
    const std::vector<FieldSetting> changes = PlanChanges(chip, wanted);
    for (const FieldSetting& change : changes)
        if (LocksOthers(*change.field))
            throw StatusError(ExitBadInput, "try does not set " + LockName(*change.field) +
                                                ": once set, only a reset clears it, so no undo could take it "
                                                "back; use set --force if you mean it");
    if (changes.empty()) {
        out << "nothing to change\n";
        return ExitNormal;
    }
    bool risky = false;
    for (const FieldSetting& change : changes) {
        if (RiskLine(change).empty())
            continue;
        risky = true;
        if (notice)
            notice(change);
    }
    // A "yes" from a pipe or a file was written before anyone saw the machine after the change.
    if (risky && !force && !IsTerminal(input))
        throw StatusError(ExitBadInput, "nothing written: try takes its answer from a terminal; answered from a "
                                        "pipe or a file, it gives the chip a value with a warning only with --force");

    // What goes back: each changed field's bits exactly as they are now, even a value with no
    // name (an illegal AGP mode).
    std::vector<std::pair<const Field*, uint32_t>> previous;
    bool timing = false;
    for (const FieldSetting& change : changes) {
        previous.emplace_back(change.field, chip.Read(change.field->dword) & FieldMask(*change.field));
        timing = timing || change.field->sdramTiming;
    }
    if (timing)
        out << "Note: when an SDRAM timing hangs the machine the moment it is written, no undo can help;\n"
               "close your documents first.\n";

    std::string written;
    CatchTryInterruptions();
    try {
        WriteSettings(chip, changes, wanted, ArrivedSignal(), &out);
        DiscardTypedAhead(input);
        out << "Keep these settings? Type yes within " << seconds << (seconds == 1 ? " second: " : " seconds: ")
            << std::flush;
        const Answer answer = out ? AskTerminal(input, seconds) : Answer::Gone;
        if (answer == Answer::Yes) {
            out << "kept\n";
            return ExitNormal;
        }
        written = Reason(answer, seconds);
        if (answer != Answer::No)
            out << "\n" << std::flush;  // the prompt's line ends before the reason on stderr
    } catch (const StatusError& error) {
        written = error.what();  // the chip did not take everything: undo what it did take
    }

    std::string undone, failed;
    for (auto it = previous.rbegin(); it != previous.rend(); ++it) {
        const Field& field = *it->first;
        auto read = [&] { return chip.Read(field.dword); };
        if ((Patiently(field, out, read) & FieldMask(field)) == it->second)
            continue;  // never written, or not taken
        Patiently(field, out, [&] { return chip.Modify(field.dword, FieldMask(field), it->second); });
        const uint32_t now = Patiently(field, out, read);
        std::string& list = (now & FieldMask(field)) == it->second ? undone : failed;
        list += (list.empty() ? "" : ", ") + FieldKey(field) + " back to " + FieldValueText(field, now);
    }
    if (undone.empty())
        undone = "nothing had changed";
    if (!failed.empty())
        throw StatusError(ExitFailure, written + "; undone: " + undone + "; NOT undone: " + failed);
    throw StatusError(ExitFailure, written + "; undone: " + undone);
}

int TryCommand(Invocation& call)
{
    const std::vector<std::string>& args = call.args;
    const bool file = args.size() == 1 && args[0].find('=') == std::string::npos;
    if (file && args[0] == "-")
        throw StatusError(ExitBadInput, call.command + " reads its answer from standard input, so it takes its "
                                                       "profile from a FILE, not from -");
    if (call.routeChoice.dump && *call.routeChoice.dump == "-")
        throw StatusError(ExitBadInput, call.command + " reads its answer from standard input, which holds the dump "
                                                       "of --emulated=-");
    std::optional<Profile> profile;
    if (file)
        profile = ReadProfileFile(args[0]);
    const std::vector<FieldSetting> wanted = file ? profile->settings : ParseAssignments(args);
    return TrySettings(call.Chip(true), wanted, call.Number("--seconds"), STDIN_FILENO, call.out,
                       call.Warnings(profile ? &*profile : nullptr), call.Flag("--force"));
}
