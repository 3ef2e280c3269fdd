// Scratch folders and file reading for tests that make files: each test process gets a fresh,
// empty folder of its own, removed again when the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class ScratchFolder {
public:
    // A new empty folder in the system's temporary folder, named for the test process.
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return folder; }
    std::filesystem::path operator/(const std::string& name) const { return folder / name; }
    // The names of the entries in the folder, sorted.
    std::vector<std::string> names() const;

private:
    std::filesystem::path folder;
};

// The whole content of a file, empty if it cannot be read.
std::string fileText(const std::filesystem::path& file);
