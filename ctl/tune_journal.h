#pragma once
// The hang journal of i815ctl tune. A setting that the memory cannot keep can hang the machine
// the moment it is written, leaving no time to note anything; so each step of tune is named in
// the journal, on the disk, before it is written, and struck out once it is decided. A step
// still there when tune or the boot-time apply starts hung the machine, or the process died
// inside it: it becomes "hangs this machine", and neither of them writes that setting again.
//
// The journal lies in the boot guard's folder (root's alone, 0700, on Linux), a few lines of
// text, written whole (whole_file.h) and synced with its folder:
//   hangs cas=2 since 2026-12-09 14:20:00
//   step ras2cas=2 started 2026-12-09 14:31:05
// Removing a "hangs" line lets tune try that setting again.

#include "field_settings.h"

#include <optional>
#include <string>
#include <vector>

struct JournalEntry {
    FieldSetting setting;
    std::string when;  // the local time of the step, "2026-12-09 14:20:00"
};

struct TuneJournal {
    std::vector<JournalEntry> hangs;
    std::optional<JournalEntry> step;  // the step in progress
    // Whether `setting` (its field at that state) hung this machine before.
    bool Hangs(const FieldSetting& setting) const;
};

// Throws StatusError (status 2, "PATH: line N: ...") for a line that is neither a comment nor
// an entry, or that names no setting.
TuneJournal ParseTuneJournal(const std::string& text, const std::string& path);
std::string FormatTuneJournal(const TuneJournal& journal);

// The journal's place, beside the boot guard's marker; `privateFolder`: made root's alone. An
// empty folder is no journal: nothing is read or written (a chip that lasts no longer than the
// program cannot hang the machine).
struct JournalPlace {
    std::string folder;
    std::string name = "tune-journal";
    bool privateFolder = false;
    std::string Path() const;
    // Held by tune for the whole run, and by apply --boot while it reads the journal: a step
    // of a tune still running is not an unfinished one.
    std::string LockPath() const { return Path() + ".lock"; }
};

struct BootGuard;
// Beside the marker of `guard`: "tune-journal" in the system's folder, "DUMP.tune-journal"
// beside an emulated chip's dump.
JournalPlace JournalBeside(const BootGuard& guard);

// An absent journal is an empty one. Like the profile at boot, a journal that another user may
// write is refused: root acts on it unattended.
TuneJournal ReadTuneJournal(const JournalPlace& place);
void WriteTuneJournal(const JournalPlace& place, const TuneJournal& journal);

// Turns an unfinished step into a hang and writes the journal back; returns the line that says
// so ("cas=2 hung this machine during tune (2026-12-09 14:20:00); it will not be tried again"),
// or "" when no step was unfinished.
std::string RecordUnfinishedStep(const JournalPlace& place, TuneJournal& journal);
// Names `setting` as the step in progress, on the disk before it returns.
void BeginStep(const JournalPlace& place, TuneJournal& journal, const FieldSetting& setting);
// The step is decided (kept or put back): it leaves the journal.
void EndStep(const JournalPlace& place, TuneJournal& journal);

// The settings of `wanted` that the journal says hang this machine, as "cas=2" words.
std::vector<std::string> HangingSettings(const TuneJournal& journal, const std::vector<FieldSetting>& wanted);
