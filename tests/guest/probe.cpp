// guest_probe: a tool for the guest test, run inside the guest next to i815ctl and the helper.
//   guest_probe address          prints the address port 0xCF8 (ioperm; root)
//   guest_probe set-address HEX  writes it
//   guest_probe as-user UID PROGRAM [ARGS...]
//                                runs PROGRAM as user UID (group UID), without any privilege
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <grp.h>
#include <sys/io.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "address") == 0) {
        if (ioperm(0xCF8, 4, 1) != 0)
            return std::perror("ioperm"), 1;
        std::printf("%08x\n", inl(0xCF8));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "set-address") == 0) {
        if (ioperm(0xCF8, 4, 1) != 0)
            return std::perror("ioperm"), 1;
        outl(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 16)), 0xCF8);
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "as-user") == 0) {
        const unsigned id = static_cast<unsigned>(std::atoi(argv[2]));
        if (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0)
            return std::perror("as-user"), 1;
        execv(argv[3], argv + 3);
        return std::perror(argv[3]), 127;
    }
    std::fprintf(stderr, "usage: guest_probe address | set-address HEX | as-user UID PROGRAM [ARGS...]\n");
    return 2;
}
