#include "dump_file.h"

#include "whole_file.h"

ConfigSpace ReadRegisterDumpFile(const std::string& path)
{
    return ParseRegisterDump(DumpFile(path, false).text(), path);
}

void WriteRegisterDumpFile(const std::string& path, const ConfigSpace& space)
{
    WriteWholeFile(path, FormatRegisterDump(space));
}
