#include "profile_commands.h"

#include "config_access.h"
#include "field_map.h"
#include "interruption.h"

void SaveProfile(ConfigAccess& chip, const std::string& path, std::ostream& out)
{
    const std::string text = FormatProfile(chip, LocalTimeNow());
    if (path == "-")
        out << text;
    else
        WriteProfileFile(path, text);
}

void CheckProfile(const Profile& profile, std::ostream& out, const RiskNotice& notice)
{
    size_t warnings = 0;
    for (const FieldSetting& setting : profile.settings) {
        if (RiskLine(setting).empty())
            continue;
        ++warnings;
        if (notice)
            notice(setting);
    }
    out << profile.source << ": " << profile.settings.size()
        << (profile.settings.size() == 1 ? " setting" : " settings") << ", no problems";
    if (warnings)
        out << ", " << warnings << (warnings == 1 ? " warning" : " warnings");
    out << "\n";
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
