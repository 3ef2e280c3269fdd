// The library's one way of reporting misuse: a line on stderr naming the kind, the source file and
// line of the check, and the message, then, for a report made inside a public call, a line naming
// the program's file and line that made the call. The two fatal kinds then abort the process.
// Private to the library: these macro names would clash in user code.
#pragma once

#include <string>

#include "CallSite.h"

namespace diagnostics {

enum class Kind { FATAL_ERROR, WARNING, FATAL_ASSERTION, NON_FATAL_ASSERTION };

// Writes the report line and flushes; returns for the two non-fatal kinds.
void report(Kind kind, const char* file, int line, const std::string& message);
// Writes the report line and aborts.
[[noreturn]] void halt(Kind kind, const char* file, int line, const std::string& message);

// Names site as the program's line behind every report this thread makes while the scope lasts.
// Public calls open one; a public call made by another keeps the outer, the program's, site.
class CallerScope {
public:
    explicit CallerScope(const CallSite& site);
    ~CallerScope();
    CallerScope(const CallerScope&) = delete;
    CallerScope& operator=(const CallerScope&) = delete;

private:
    bool outermost;
};

}  // namespace diagnostics

using diagnostics::CallerScope;

#define FATAL_ERROR(message) ::diagnostics::halt(::diagnostics::Kind::FATAL_ERROR, __FILE__, __LINE__, (message))
#define WARNING(message) ::diagnostics::report(::diagnostics::Kind::WARNING, __FILE__, __LINE__, (message))
#define FATAL_ASSERTION(message) \
    ::diagnostics::halt(::diagnostics::Kind::FATAL_ASSERTION, __FILE__, __LINE__, (message))
#define NON_FATAL_ASSERTION(message) \
    ::diagnostics::report(::diagnostics::Kind::NON_FATAL_ASSERTION, __FILE__, __LINE__, (message))
