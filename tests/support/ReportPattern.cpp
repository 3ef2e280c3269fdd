// Builds the report-line patterns from the fixed texts of each kind of report, written out here
// independently of the library so that a changed letter in a report fails the tests.
#include "ReportPattern.h"

#include <regex.h>

namespace {

std::string literal(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (std::string(".[]{}()\\*+?^$|").find(c) != std::string::npos) escaped += '\\';
        escaped += c;
    }
    return escaped;
}

struct KindTexts {
    const char* prefix;
    const char* closing;
};

const char* const continues = ".  Program execution will continue, but may not behave as anticipated.";

// In the order of diagnostics::Kind.
const KindTexts textsOfKind[] = {
    {"FATAL ERROR in ", ".  Program excecution will now halt."},
    {"WARNING in ", continues},
    {"FATAL ASSERTION in ", ".  Program execution will now halt."},
    {"NON-FATAL ASSERTION in ", continues},
};

// The line naming the program's call, which follows the lines of a report made inside a public call.
const char* const optionalCaller = "(  called from [^/\n]+, line [1-9][0-9]*\n)?";

}  // namespace

std::string reportPattern(diagnostics::Kind kind, const std::string& sourceFile, const std::string& message) {
    const KindTexts& texts = textsOfKind[static_cast<int>(kind)];
    return literal(texts.prefix) + "([^ ]*/)?" + literal(sourceFile) + " @ line [1-9][0-9]* : " + literal(message) +
           literal(texts.closing) + "\n" + optionalCaller;
}

std::string detailPattern(const std::string& detail) { return "  " + literal(detail) + "\n" + optionalCaller; }

std::string onlyReport(diagnostics::Kind kind, const std::string& sourceFile, const std::string& message) {
    return "^" + reportPattern(kind, sourceFile, message) + "$";
}

bool matchesWhole(const std::string& text, const std::string& pattern) {
    regex_t compiled;
    if (regcomp(&compiled, ("^(" + pattern + ")$").c_str(), REG_EXTENDED | REG_NOSUB) != 0) return false;
    const bool matched = regexec(&compiled, text.c_str(), 0, nullptr, 0) == 0;
    regfree(&compiled);
    return matched;
}
