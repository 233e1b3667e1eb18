#include "tune_journal.h"

#include "boot_guard.h"
#include "exit_status.h"
#include "field_values.h"
#include "files.h"
#include "paths.h"
#include "whole_file.h"

#include <sstream>

namespace {

// A journal is a handful of lines; anything larger is not one.
constexpr size_t JournalLimit = 64 * 1024;

std::string Assignment(const FieldSetting& setting)
{
    return FieldKey(*setting.field) + "=" + ValueWord(*setting.field, setting.state);
}

std::string EntryLine(const char* kind, const char* when, const JournalEntry& entry)
{
    return std::string(kind) + " " + Assignment(entry.setting) + " " + when + " " + entry.when + "\n";
}

}  // namespace

bool TuneJournal::Hangs(const FieldSetting& setting) const
{
    for (const JournalEntry& entry : hangs)
        if (entry.setting.field == setting.field && entry.setting.state == setting.state)
            return true;
    return false;
}

TuneJournal ParseTuneJournal(const std::string& text, const std::string& path)
{
    TuneJournal journal;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string kind, assignment, when, date, time;
        if (!(words >> kind) || kind[0] == '#')
            continue;
        const auto bad = [&](const std::string& why) {
            return StatusError(ExitBadInput, path + ": line " + std::to_string(number) + ": " + why);
        };
        const char* expected = kind == "hangs" ? "since" : kind == "step" ? "started" : nullptr;
        if (!expected || !(words >> assignment >> when >> date >> time) || when != expected)
            throw bad("neither \"hangs KEY=VALUE since DATE TIME\" nor \"step KEY=VALUE started DATE TIME\"");
        std::vector<FieldSetting> settings;
        try {
            settings = ParseAssignments({assignment});
        } catch (const StatusError& error) {
            throw bad(error.what());
        }
        const JournalEntry entry{settings.front(), date + " " + time};
        if (kind == "hangs")
            journal.hangs.push_back(entry);
        else if (journal.step)
            throw bad("a second step in progress");
        else
            journal.step = entry;
    }
    return journal;
}

std::string FormatTuneJournal(const TuneJournal& journal)
{
    std::string text = "# i815ctl tune: settings that hung this machine, which tune and the boot-time apply\n"
                       "# never write again (remove a line to let tune try it once more), and the step in\n"
                       "# progress.\n";
    for (const JournalEntry& entry : journal.hangs)
        text += EntryLine("hangs", "since", entry);
    if (journal.step)
        text += EntryLine("step", "started", *journal.step);
    return text;
}

std::string JournalPlace::Path() const
{
    return PathIn(folder, name);
}

JournalPlace JournalBeside(const BootGuard& guard)
{
    const std::string markerSuffix = BootGuard{}.markerName;
    JournalPlace place{guard.stateDir};
    place.privateFolder = guard.privateFolder;
    const std::string& marker = guard.markerName;
    if (marker != markerSuffix && marker.size() > markerSuffix.size() &&
        marker.compare(marker.size() - markerSuffix.size(), markerSuffix.size(), markerSuffix) == 0)
        place.name = marker.substr(0, marker.size() - markerSuffix.size()) + place.name;
    return place;
}

TuneJournal ReadTuneJournal(const JournalPlace& place)
{
    if (place.folder.empty() || !FileExists(place.Path()))
        return {};
    return ParseTuneJournal(ReadRegularFile(place.Path(), JournalLimit, true), place.Path());
}

void WriteTuneJournal(const JournalPlace& place, const TuneJournal& journal)
{
    if (place.folder.empty())
        return;
    MakeFolder(place.folder, place.privateFolder);
    try {
        WriteWholeFile(place.Path(), SystemTextLines(FormatTuneJournal(journal)));
    } catch (const FileWriteError& error) {
        throw StatusError(ExitFailure, error.what());
    }
    SyncFolder(place.folder);
}

std::string RecordUnfinishedStep(const JournalPlace& place, TuneJournal& journal)
{
    if (!journal.step)
        return "";
    const JournalEntry hung = *journal.step;
    journal.step.reset();
    if (!journal.Hangs(hung.setting))
        journal.hangs.push_back(hung);
    WriteTuneJournal(place, journal);
    return Assignment(hung.setting) + " hung this machine during tune (" + hung.when +
           "); it will not be tried again";
}

void BeginStep(const JournalPlace& place, TuneJournal& journal, const FieldSetting& setting)
{
    journal.step = JournalEntry{setting, LocalTimeNow()};
    WriteTuneJournal(place, journal);
}

void EndStep(const JournalPlace& place, TuneJournal& journal)
{
    journal.step.reset();
    WriteTuneJournal(place, journal);
}

std::vector<std::string> HangingSettings(const TuneJournal& journal, const std::vector<FieldSetting>& wanted)
{
    std::vector<std::string> hanging;
    for (const FieldSetting& setting : wanted)
        if (journal.Hangs(setting))
            hanging.push_back(Assignment(setting));
    return hanging;
}
