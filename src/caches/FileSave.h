// Saving a file's whole content: private to the library, shared by image saves and the editor's
// OBJ save. Runs on the saving thread and reports nothing, so that each caller words its own failure.
#pragma once

#include <string>
#include <string_view>

enum class SaveOutcome {
    SAVED,
    NOT_OPENED,   // opening the file for writing would have failed
    NOT_WRITTEN,  // opening would have succeeded, writing the content would not
    NO_READER,    // a FIFO that no program reads, where a reader is required
};

// Whether a save into a FIFO waits for a program to read it, as a direct write would, or finds one
// reading already: the renderer, which serves every window, must not wait for ever.
enum class FifoReader { AWAITED, REQUIRED };

// Makes bytes the whole content of the file that path names, through any symbolic links. Succeeds
// or fails exactly when opening that file for writing and writing it would, but keeps the old
// content on failure wherever a new copy can replace the file; a regular file keeps its mode, owner
// and other names, and a device or FIFO is written directly. On failure errno says why.
SaveOutcome saveFile(const std::string& path, std::string_view bytes, FifoReader reader = FifoReader::AWAITED);

// Why a save failed, from its outcome and the errno it left, as a report's line about the file
// says it: "a folder", "no such folder", "not writable", "not written in full: the disk may be
// full", or the system's own words.
std::string whyNotSaved(SaveOutcome outcome, int error);
