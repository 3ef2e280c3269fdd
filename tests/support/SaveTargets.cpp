// Device nodes and another user for tests of saving.
#include "SaveTargets.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

bool makeDeviceLike(const std::string& path, const std::string& system) {
    struct stat device {};
    if (stat(system.c_str(), &device) != 0 || mknod(path.c_str(), S_IFCHR | 0666, device.st_rdev) != 0) return false;
    // A file system mounted without devices holds the node but opens nothing through it.
    const int opened = open(path.c_str(), O_WRONLY);
    if (opened >= 0) close(opened);
    return opened >= 0;
}

bool becomeAnotherUser() {
    const uid_t nobody = 65534;
    return setgroups(0, nullptr) == 0 && setresgid(nobody, nobody, nobody) == 0 &&
           setresuid(nobody, nobody, nobody) == 0;
}
