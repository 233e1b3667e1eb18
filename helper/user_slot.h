#pragma once
// One connection to the helper per user at a time, so that no member can take every one of
// the socket's connections from the others: an flock on a file of the user's own in the
// lock's folder, which only root can write. Taken as root, before the step down, and held
// until the helper ends.

#include <optional>
#include <string>

#include <sys/types.h>

class UserSlot {
public:
    explicit UserSlot(std::string directory = "/run/i815quarvel");
    ~UserSlot();
    UserSlot(const UserSlot&) = delete;
    UserSlot& operator=(const UserSlot&) = delete;

    // Nothing once taken; else why not: a connection of the same user holds it, or the
    // folder or the file is not root's alone.
    std::optional<std::string> Take(uid_t uid);

private:
    std::string directory_;
    int fd_ = -1;
};
