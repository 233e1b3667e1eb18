// The Windows files of the programs under Wine, in the current folder: a file written whole, a
// dump read and locked, the names of paths, the boot guard's marker and its lock.
//   files_test               prints one line per check; status 1 when one failed
#include "dump_file.h"
#include "exit_status.h"
#include "files.h"
#include "paths.h"
#include "whole_file.h"

#include <cstdio>
#include <string>

#include <windows.h>

namespace {

int failures = 0;

void Check(bool ok, const std::string& what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    failures += !ok;
}

std::string Content(const char* path)
{
    std::string text;
    if (std::FILE* file = std::fopen(path, "rb")) {
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, got);
        std::fclose(file);
    }
    return text;
}

int FilesIn(const char* pattern)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 1;
    while (FindNextFileA(search, &found))
        ++count;
    FindClose(search);
    return count;
}

template <typename Step>
std::string Refusal(Step step)
{
    try {
        step();
    } catch (const std::exception& refused) {
        return refused.what();
    }
    return "";
}

void WholeFiles()
{
    CreateDirectoryA("whole", nullptr);
    WriteWholeFile("whole\\a.conf", "first\r\n");
    WriteWholeFile("whole\\a.conf", "second\r\n");
    Check(Content("whole\\a.conf") == "second\r\n", "a file written whole replaces the one before");
    Check(FilesIn("whole\\*") == 3, "no temporary file is left beside it (. .. a.conf)");
    CreateDirectoryA("whole\\folder", nullptr);
    Check(Refusal([] { WriteWholeFile("whole\\folder", "x"); }) == "whole\\folder: not a regular file; not replaced",
          "a folder is not replaced by a file");
    Check(Refusal([] { WriteWholeFile("missing\\a.conf", "x"); }).rfind("missing\\a.conf: cannot be written: ", 0) == 0,
          "a file in a missing folder cannot be written");
    Check(SystemTextLines("a\nb\r\n\nc") == "a\r\nb\r\n\r\nc", "a text's lines end in CRLF, once each");
}

DWORD WINAPI HoldDump(void*)
{
    DumpFile held("held.dump", true);
    Sleep(400);
    return 0;
}

void Dumps()
{
    WriteWholeFile("small.dump", "00:00.0 Host bridge\n");
    Check(DumpFile("small.dump", false).text() == "00:00.0 Host bridge\n", "a dump is read whole");
    WriteWholeFile("large.dump", std::string(DumpSizeLimit + 1, ' '));
    Check(Refusal([] { DumpFile("large.dump", false); }) ==
              "large.dump: larger than 1 MiB; a dump of `lspci -xxx` is a few KiB",
          "a dump over 1 MiB is refused");
    Check(Refusal([] { DumpFile("none.dump", false); }) == "none.dump: cannot be read: No such file or directory",
          "a missing dump is named");
    Check(NamesOneFile("small.dump", ".\\SMALL.DUMP") && !NamesOneFile("small.dump", "large.dump") &&
              !NamesOneFile("small.dump", "none.dump"),
          "two names of one file are told from two files and from a missing one");

    WriteWholeFile("held.dump", "x\n");
    DWORD id;
    const HANDLE thread = CreateThread(nullptr, 0, HoldDump, nullptr, 0, &id);
    Sleep(100);
    const DWORD start = GetTickCount();
    { DumpFile("held.dump", true); }
    const DWORD waited = GetTickCount() - start;
    Check(waited >= 150 && waited < 3000, "a dump held for an update is waited for (" + std::to_string(waited) + " ms)");
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

void Paths()
{
    Check(FolderOf("C:\\i815quarvel\\my.conf") == "C:\\i815quarvel" && FolderOf("C:\\my.conf") == "C:\\" &&
              FolderOf("C:my.conf") == "C:" && FolderOf("my.conf") == "." && FolderOf("boot/my.conf") == "boot",
          "the folder of a path");
    Check(NameOf("C:\\i815quarvel\\my.conf") == "my.conf" && NameOf("C:my.conf") == "my.conf" &&
              NameOf("my.conf") == "my.conf",
          "the name of a path");
    Check(PathIn("C:\\", "x") == "C:\\x" && PathIn("boot", "x") == "boot\\x" && PathIn("C:", "x") == "C:x",
          "a name in a folder");
    Check(RemoveFileCommand("boot\\x", true) == "del \"boot\\x\"", "how a user removes a file");
}

void Marker()
{
    MakeFolder("guard");
    MakeFolder("guard");
    Check(Refusal([] { WriteFileSynced("small.dump\\marker", "x"); }).rfind("small.dump\\marker: cannot be made: ", 0) == 0,
          "a marker in a file, not a folder, cannot be made");
    WriteFileSynced("guard\\marker", "one\r\ntwo\r\n");
    Check(FileExists("guard\\marker") && SmallFileText("guard\\marker") == "one\r\ntwo\r\n",
          "a marker written and read");
    Check(SmallFileText("guard") == "" && SmallFileText("guard\\none") == "", "a folder or nothing reads as nothing");
    Check(RemoveFileIfThere("guard\\marker") == 0 && !FileExists("guard\\marker") &&
              RemoveFileIfThere("guard\\marker") == 0,
          "a marker removed, and one that is not there");
    {
        const MarkerLock lock("guard\\marker.lock", 1);
        Check(lock.held(), "the marker's lock is held (" + lock.why() + ")");
    }
    const std::string boot = ThisBoot("");
    Check(boot.rfind("started-", 0) == 0 && boot.find(' ') == std::string::npos && boot == ThisBoot(""),
          "this boot has one word for it (" + boot + ")");
    const double running = RunningSeconds();
    Sleep(50);
    const double later = RunningSeconds();
    Check(running > 0 && later > running,
          "the running time goes on (" + std::to_string(running) + " s, then " + std::to_string(later) + " s)");
}

}  // namespace

int main()
{
    WholeFiles();
    Dumps();
    Paths();
    Marker();
    return failures ? 1 : 0;
}
