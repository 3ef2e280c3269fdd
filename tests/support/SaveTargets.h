// What a save can meet besides a plain file of its own: device nodes made in a scratch folder,
// never in the system's /dev, and another user to save as. All need root.
#pragma once

#include <string>

// Makes a character device at path that is the same device as system (for instance "/dev/full");
// false where this process may not make one, or the file system does not open it.
bool makeDeviceLike(const std::string& path, const std::string& system);

// Makes this process nobody (65534), in no supplementary group; false where it may not. For a
// child process only: there is no way back.
bool becomeAnotherUser();
// Whether that other user can reach and enter folder: every folder on its path lets them through.
bool anotherUserCanEnter(const std::string& folder);
