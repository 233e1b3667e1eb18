#pragma once
// The files and the clock of i815ctl, on each system's own terms: files_posix.cpp (Linux) and
// files_win32.cpp (Windows). Failures throw StatusError with the path in front.

#include <cstddef>
#include <string>

// A regular file, whole, or its first `limit` bytes and some more when it is larger (so that
// the caller can say so). Never waits on a fifo or a device. Status 2: "PATH: cannot be read:
// why", "PATH: not a regular file".
std::string ReadRegularFile(const std::string& path, size_t limit);

// Writes a text file whole or not at all: a temporary file beside it, on the disk, then put in
// its place. On Windows its lines end in CRLF, as the system's editors expect. Status 1.
void WriteTextFileWhole(const std::string& path, const std::string& text);

// Makes the names in a folder durable (a rename, a new or removed file), where the system can.
void SyncFolder(const std::string& folder);
// The folder that holds `path` ("." for a bare name), and a name in a folder.
std::string FolderOf(const std::string& path);
std::string PathIn(const std::string& folder, const std::string& name);

// The boot guard's marker. A folder that exists afterwards, made when missing; a new file,
// never one that exists already, on the disk before the call returns; a file's first line
// ("" when it cannot be read); removal that minds no missing file. Status 1.
void MakeFolder(const std::string& folder);
void WriteNewFileSynced(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
std::string FirstLine(const std::string& path);
void RemoveFile(const std::string& path);
// How an administrator removes a file from the command line: "sudo rm PATH", "del PATH".
std::string RemoveFileCommand(const std::string& path);

// The local time now, "2026-12-08 06:10:00", for headers and markers.
std::string LocalTimeNow();
