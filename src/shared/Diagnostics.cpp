// The four reports: a line on stderr and the lines beneath it (what the report is about, and the
// program's line when a public call made it), then an abort for the fatal kinds. Runs on whichever
// thread found the fault; a report is handed to stdio in one write so two reports never mix.
#include "shared/Diagnostics.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

namespace diagnostics {

namespace {

const char* const goesOn = ".  Program execution will continue, but may not behave as anticipated.";

struct Wording {
    const char* prefix;
    const char* closing;
};

// The misspelt "excecution" of FATAL ERROR is deliberate: it is the report users know.
Wording wordingOf(Kind kind) {
    switch (kind) {
        case Kind::FATAL_ERROR:
            return {"FATAL ERROR in ", ".  Program excecution will now halt."};
        case Kind::FATAL_ASSERTION:
            return {"FATAL ASSERTION in ", ".  Program execution will now halt."};
        case Kind::WARNING:
            return {"WARNING in ", goesOn};
        case Kind::NON_FATAL_ASSERTION:
            return {"NON-FATAL ASSERTION in ", goesOn};
    }
    return {"", ""};
}

// A line beneath the report line, indented so that it reads as part of the report above it.
std::string lineBeneath(const std::string& text) { return text.empty() ? "" : "  " + text + "\n"; }

std::atomic<bool> halting{false};

// The program's call that this thread is inside, if any.
thread_local std::optional<CallSite> programCall;

// Names only the file: programs are built from many folders, but a student knows their files.
std::string callerLine() {
    if (!programCall) return "";
    const char* slash = std::strrchr(programCall->getFile(), '/');
    return lineBeneath(std::string("called from ") + (slash ? slash + 1 : programCall->getFile()) + ", line " +
                       std::to_string(programCall->getLine()));
}

}  // namespace

CallerScope::CallerScope(const CallSite& site) : outermost(!programCall) {
    if (outermost) programCall = site;
}

CallerScope::~CallerScope() {
    if (outermost) programCall.reset();
}

std::string reportLine(Kind kind, const char* file, int line, const std::string& message) {
    const Wording wording = wordingOf(kind);
    return wording.prefix + std::string(file) + " @ line " + std::to_string(line) + " : " + message + wording.closing +
           "\n";
}

void report(Kind kind, const char* file, int line, const std::string& message, const std::string& detail) {
    const std::string text = reportLine(kind, file, line, message) + lineBeneath(detail) + callerLine();
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void report(Kind kind, const char* file, int line, const std::string& message) {
    report(kind, file, line, message, "");
}

void halt(Kind kind, const char* file, int line, const std::string& message, const std::string& detail) {
    halting = true;
    report(kind, file, line, message, detail);
    std::fflush(nullptr);  // what the program printed so far is not lost with it
    std::abort();
}

void halt(Kind kind, const char* file, int line, const std::string& message) { halt(kind, file, line, message, ""); }

bool isHalting() { return halting; }

std::string aboutFile(const std::string& path, const std::string& reason) { return "File \"" + path + "\": " + reason; }

std::string unreadableFile(const std::string& path) {
    // A path that cannot even be looked at (a folder on it is closed to us) is not readable either.
    std::error_code lookFailed;
    const bool present = std::filesystem::exists(path, lookFailed) || lookFailed;
    return aboutFile(path, present ? "not readable" : "no such file");
}

}  // namespace diagnostics
