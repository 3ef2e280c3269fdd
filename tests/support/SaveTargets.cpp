// Device nodes and another user for tests of saving.
#include "SaveTargets.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

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

bool anotherUserCanEnter(const std::string& folder) {
    const pid_t child = fork();
    if (child == 0) std::_Exit(becomeAnotherUser() && access(folder.c_str(), X_OK) == 0 ? 0 : 1);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
