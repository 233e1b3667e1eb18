#include "paths.h"

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos) {
        const bool root = slash == 0 || (slash == 2 && path[1] == ':');
        return path.substr(0, root ? slash + 1 : slash);
    }
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2);
    return ".";
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos)
        return path.substr(slash + 1);
    return path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
}

std::string PathIn(const std::string& folder, const std::string& name)
{
    const char last = folder.empty() ? '\\' : folder.back();
    return last == '\\' || last == '/' || last == ':' ? folder + name : folder + "\\" + name;
}
