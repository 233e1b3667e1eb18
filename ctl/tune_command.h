#pragma once
// i815ctl tune (tune_command.cpp): the loop of tune.h on the chip, with the memory test over a
// buffer of --memory MiB locked in memory and the bench; the table as the steps are decided,
// and the chip's settings at the end saved as a profile, FILE, as save writes it.

#include <string>

struct Invocation;
struct TuneStep;

int TuneCommand(Invocation& call);

// A line of the table: "cas: 3 -> 2   memory errors   3   +0.0% ...", the changes of read,
// write, copy and latency in per cent.
std::string FormatTuneStep(const TuneStep& step);
std::string TuneTableHeader();
