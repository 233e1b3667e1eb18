#include "profile_commands.h"

#include "config_access.h"
#include "field_map.h"
#include "interruption.h"

void SaveProfile(ConfigAccess& chip, const std::string& path) { WriteProfileFile(path, FormatProfile(chip, LocalTimeNow())); }

void CheckProfile(const std::string& path, std::ostream& out)
{
    const Profile profile = ReadProfileFile(path);
    out << path << ": " << profile.settings.size() << (profile.settings.size() == 1 ? " setting" : " settings")
        << ", no problems\n";
}

void ApplyProfile(ConfigAccess& chip, const Profile& profile, bool dryRun, std::ostream& out, int* writes)
{
    RequireI815(chip);
    const std::vector<FieldSetting> changes = PlanChanges(chip, profile.settings);
    if (changes.empty()) {
        out << "nothing to change\n";
        return;
    }
    if (dryRun) {
        for (const FieldSetting& change : changes)
            out << "would change " << ChangeText(change, chip.Read(change.field->dword)) << "\n";
        return;
    }
    WriteSettings(chip, changes, profile.settings, ArrivedSignal(), &out, writes);
}
