// Saving a file's whole content. A regular file with one name is replaced by a complete copy made
// beside it, so that it holds the old content or the new, never half; any other file is written
// where it is. Temporaries are unnamed where the file system allows, and those of saves killed
// half-way are removed by the next save into their folder.
#include "caches/FileSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

const char TEMPORARY_PREFIX[] = ".saving-";

// A file descriptor, closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int number) : number(number) {}
    ~Descriptor() {
        if (number >= 0) close(number);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return number; }
    bool isOpen() const { return number >= 0; }
    // Closes it now, for a caller that must know whether the last writes reached the file.
    bool closeChecked() {
        const int closing = number;
        number = -1;
        return close(closing) == 0;
    }

private:
    int number;
};

bool writeAll(int file, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(file, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The name a direct open would reach: each symbolic link at the end of path replaced by the name
// it holds, so that a save through a link writes the file it names, even one yet to be made.
std::string followLinks(std::string path) {
    char held[PATH_MAX];
    for (int hop = 0; hop < 40; ++hop) {  // the kernel's own limit; a loop fails the direct open first
        const ssize_t length = readlink(path.c_str(), held, sizeof held);
        if (length < 0 || length == sizeof held) break;
        const std::filesystem::path next(std::string(held, static_cast<std::size_t>(length)));
        path = next.is_absolute() ? next.string() : (std::filesystem::path(path).parent_path() / next).string();
    }
    return path;
}

// Makes an entry of a name of this process's own, "<prefix><pid>-<n>" with the first free n, by
// make (which returns as openat and linkat do); returns the name, or "" if make failed otherwise.
template <typename Make>
std::string makeOwnName(Make make) {
    for (int attempt = 0;; ++attempt) {
        const std::string name = TEMPORARY_PREFIX + std::to_string(getpid()) + "-" + std::to_string(attempt);
        if (make(name.c_str()) >= 0) return name;
        if (errno != EEXIST) return "";
    }
}

// The process whose save made a temporary of this name, or 0 if it is no temporary's name.
pid_t ownerOfTemporary(const char* name) {
    const std::size_t prefixLength = sizeof TEMPORARY_PREFIX - 1;
    if (std::strncmp(name, TEMPORARY_PREFIX, prefixLength) != 0) return 0;
    char* end = nullptr;
    const long owner = std::strtol(name + prefixLength, &end, 10);
    return *end == '-' && owner > 0 ? static_cast<pid_t>(owner) : 0;
}

// Removes the named temporaries of saves whose process is gone: killed before it could remove them.
void removeLeftovers(int folder) {
    const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* entries = fdopendir(listing);
    if (!entries) {
        close(listing);
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        const pid_t owner = ownerOfTemporary(entry->d_name);
        if (owner > 0 && kill(owner, 0) != 0 && errno == ESRCH) unlinkat(folder, entry->d_name, 0);
    }
    closedir(entries);
}

// A new file in the folder for the copy: unnamed where the file system allows, so that a save killed
// before the copy is complete leaves nothing; otherwise named as this process's own (name).
int createCopy(int folder, std::string& name) {
    // An unnamed file is named in the end through /proc, which a chroot may lack.
    if (access("/proc/self/fd", X_OK) == 0) {
        const int unnamed = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (unnamed >= 0 || (errno != EOPNOTSUPP && errno != EISDIR)) return unnamed;
    }
    int named = -1;
    name = makeOwnName([&](const char* candidate) {
        return named = openat(folder, candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    });
    return named;
}

bool namesTheFile(int folder, const std::string& name, const struct stat& file) {
    struct stat named {};
    return fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == file.st_dev &&
           named.st_ino == file.st_ino;
}

// Gives the copy the owner and mode of the file it replaces; false where the process may not.
bool takeOwnerAndMode(int copy, const struct stat& file) {
    struct stat made {};
    if (fstat(copy, &made) != 0) return false;
    if ((made.st_uid != file.st_uid || made.st_gid != file.st_gid) && fchown(copy, file.st_uid, file.st_gid) != 0)
        return false;
    return fchmod(copy, file.st_mode & 07777) == 0;  // after the owner, whose change clears set-id bits
}

enum class Replacement { DONE, NO_COPY, FAILED };

// Writes bytes into a new file in target's folder and renames it over target. A new file gets
// the mode any new file gets under the umask; an existing one (file) lends its owner and mode.
Replacement replace(const std::string& target, std::string_view bytes, const struct stat* file) {
    const std::filesystem::path targetPath(target);
    const std::string name = targetPath.filename().string();
    const std::string folderName = targetPath.has_parent_path() ? targetPath.parent_path().string() : ".";
    // The folder is opened once, so that the names made in it stay short however long its path.
    const Descriptor folder(open(folderName.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen()) return Replacement::NO_COPY;
    if (name.empty()) {
        errno = EISDIR;  // a name that ends in a slash names a folder
        return Replacement::NO_COPY;
    }
    if (file && !namesTheFile(folder.get(), name, *file)) return Replacement::FAILED;
    removeLeftovers(folder.get());

    std::string copyName;
    Descriptor copy(createCopy(folder.get(), copyName));
    if (!copy.isOpen()) return Replacement::NO_COPY;
    bool done = (!file || takeOwnerAndMode(copy.get(), *file)) && writeAll(copy.get(), bytes) && fsync(copy.get()) == 0;
    if (done && copyName.empty()) {
        const std::string unnamed = "/proc/self/fd/" + std::to_string(copy.get());
        copyName = makeOwnName([&](const char* candidate) {
            return linkat(AT_FDCWD, unnamed.c_str(), folder.get(), candidate, AT_SYMLINK_FOLLOW);
        });
        done = !copyName.empty();
    }
    done = done && renameat(folder.get(), copyName.c_str(), folder.get(), name.c_str()) == 0;
    const int why = errno;
    if (!done && !copyName.empty()) unlinkat(folder.get(), copyName.c_str(), 0);
    errno = why;
    return done ? Replacement::DONE : Replacement::FAILED;
}

// Writes over the file where it stands, as a direct write would. For a regular file the room is
// reserved first, so that a save that would run out of room fails with the old content intact.
SaveOutcome writeInPlace(Descriptor& file, const struct stat& status, std::string_view bytes) {
    const bool regular = S_ISREG(status.st_mode);
    const off_t size = static_cast<off_t>(bytes.size());
    if (regular && size > 0 && fallocate(file.get(), 0, 0, size) != 0 &&
        (errno == ENOSPC || errno == EDQUOT || errno == EFBIG))
        return SaveOutcome::NOT_WRITTEN;
    const bool written = writeAll(file.get(), bytes) && (!regular || ftruncate(file.get(), size) == 0);
    return file.closeChecked() && written ? SaveOutcome::SAVED : SaveOutcome::NOT_WRITTEN;
}

}  // namespace

SaveOutcome saveFile(const std::string& path, std::string_view bytes, FifoReader reader) {
    // The open a direct write makes, less the truncation: it alone decides whether the save may go on.
    // Without waiting, it fails on a FIFO that no program reads; the writes that follow may wait.
    const int waiting = reader == FifoReader::REQUIRED ? O_NONBLOCK : 0;
    Descriptor file(open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | waiting));
    if (!file.isOpen() && errno == ENXIO && waiting) return SaveOutcome::NO_READER;
    if (!file.isOpen() && errno != ENOENT) return SaveOutcome::NOT_OPENED;
    if (file.isOpen() && waiting && fcntl(file.get(), F_SETFL, fcntl(file.get(), F_GETFL) & ~O_NONBLOCK) != 0)
        return SaveOutcome::NOT_OPENED;
    struct stat status {};
    if (file.isOpen() && fstat(file.get(), &status) != 0) return SaveOutcome::NOT_OPENED;

    // Another name of the file would keep the old content if the file were replaced.
    if (!file.isOpen() || (S_ISREG(status.st_mode) && status.st_nlink == 1)) {
        const Replacement replaced = replace(followLinks(path), bytes, file.isOpen() ? &status : nullptr);
        if (replaced == Replacement::DONE) return SaveOutcome::SAVED;
        if (!file.isOpen())
            return replaced == Replacement::NO_COPY ? SaveOutcome::NOT_OPENED : SaveOutcome::NOT_WRITTEN;
    }
    return writeInPlace(file, status, bytes);
}

std::string whyNotSaved(SaveOutcome outcome, int error) {
    if (outcome == SaveOutcome::NO_READER) return "a FIFO that no program reads";
    switch (error) {
        case EISDIR:
            return "a folder";
        case ENOENT:
        case ENOTDIR:
            return "no such folder";
        case EACCES:
        case EPERM:
        case EROFS:
            return "not writable";
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "not written in full: the disk may be full";
        default: {
            if (error == 0) return "not writable";
            std::string words = std::strerror(error);
            words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
            return words;
        }
    }
}
