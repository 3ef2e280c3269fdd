// The four reports: a line on stderr (and the program's line beneath it when a public call made the
// report), then an abort for the fatal kinds. Runs on whichever thread found the fault; the lines
// are handed to stdio in one write so two reports never mix.
#include "Diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The program's call that this thread is inside, if any.
thread_local std::optional<CallSite> programCall;

// Names only the file: programs are built from many folders, but a student knows their files.
std::string callerLine(const CallSite& site) {
    const char* slash = std::strrchr(site.getFile(), '/');
    return std::string("  called from ") + (slash ? slash + 1 : site.getFile()) + ", line " +
           std::to_string(site.getLine()) + "\n";
}

}  // namespace

CallerScope::CallerScope(const CallSite& site) : outermost(!programCall) {
    if (outermost) programCall = site;
}

CallerScope::~CallerScope() {
    if (outermost) programCall.reset();
}

void report(Kind kind, const char* file, int line, const std::string& message) {
    const Wording wording = wordingOf(kind);
    const std::string text = wording.prefix + std::string(file) + " @ line " + std::to_string(line) + " : " + message +
                             wording.closing + "\n" + (programCall ? callerLine(*programCall) : std::string());
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void halt(Kind kind, const char* file, int line, const std::string& message) {
    report(kind, file, line, message);
    std::abort();
}

}  // namespace diagnostics
