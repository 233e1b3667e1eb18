#include "helper_peer.h"

#include <sys/socket.h>
#include <sys/un.h>

HelperPeer PeerOf(int fd)
{
    HelperPeer peer;
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && size == sizeof credentials)
        peer.uid = credentials.uid;
    // A connection accepted on a listening socket has that socket's name as its own; a socket
    // pair has none. (An abstract name starts with a zero byte: no service of ours uses one.)
    sockaddr_un address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 && address.sun_family == AF_UNIX &&
        length > offsetof(sockaddr_un, sun_path) && address.sun_path[0] != '\0')
        peer.namedSocket = true;
    return peer;
}
