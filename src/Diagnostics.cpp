// The four reports: one line on stderr, then an abort for the fatal kinds. Runs on whichever
// thread found the fault; the line is handed to stdio in one write so two reports never mix mid-line.
#include "Diagnostics.h"

#include <cstdio>
#include <cstdlib>

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

}  // namespace

void report(Kind kind, const char* file, int line, const std::string& message) {
    const Wording wording = wordingOf(kind);
    const std::string text = wording.prefix + std::string(file) + " @ line " + std::to_string(line) + " : " + message +
                             wording.closing + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void halt(Kind kind, const char* file, int line, const std::string& message) {
    report(kind, file, line, message);
    std::abort();
}

}  // namespace diagnostics
