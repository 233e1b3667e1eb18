// i815ctl for tests: the real program, with the kernel's configuration file, the lock, the state
// folder, this boot's id and bench's caches in places that the test names in its environment.
#include "ctl_program.h"

#include <cstdlib>

int main(int argc, char** argv)
{
    CtlSystem system;
    if (const char* config = std::getenv("TEST_KERNEL_CONFIG"))
        system.kernelConfigPath = config;
    if (const char* lock = std::getenv("TEST_LOCK"))
        system.lockPath = lock;
    if (const char* state = std::getenv("TEST_STATE_DIR"))
        system.stateDir = state;
    if (const char* bootId = std::getenv("TEST_BOOT_ID"))
        system.bootIdPath = bootId;
    if (const char* caches = std::getenv("TEST_CACHE_DIR")) {
        system.cacheFolder = caches;
        system.cpuinfoPath = "/nonexistent";
    }
    system.settleSeconds = 0;
    return CtlMain(argc, argv, system);
}
