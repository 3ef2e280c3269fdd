// Scratch folders and file reading for tests that make files.
#include "ScratchFolder.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(const std::string& prefix)
    : folder(fs::temp_directory_path() / (prefix + "-" + std::to_string(getpid()))) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

std::vector<std::string> ScratchFolder::names() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) found.push_back(entry.path().filename());
    std::sort(found.begin(), found.end());
    return found;
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
