#pragma once
// Who is at the other end of the helper's connection, as the kernel tells it while the helper
// is still root: the user that made the connection, and whether it came through a named
// socket (the socket service's, for the group i815quarvel) or is one end of a socket pair that
// the caller made itself (the window's, handed over by pkexec after the administrator's
// password). Nothing the caller says counts.

#include <optional>

#include <sys/types.h>

struct HelperPeer {
    std::optional<uid_t> uid;  // nothing when the descriptor is no Unix socket (a terminal)
    bool namedSocket = false;
};

HelperPeer PeerOf(int fd);
