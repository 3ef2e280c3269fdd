// The library's one way of reporting misuse: a line on stderr naming the kind, the source file
// and line of the check, and the message, optionally followed by an indented detail line saying
// what the report is about and, for a report made inside a public call, a line naming the
// program's file and line that made the call. The two fatal kinds then abort the process.
// Private to the library: these macro names would clash in user code.
#pragma once

#include <string>

#include "CallSite.h"

namespace diagnostics {

enum class Kind { FATAL_ERROR, WARNING, FATAL_ASSERTION, NON_FATAL_ASSERTION };

// Writes the report line, then the detail line unless detail is empty, and flushes; returns for
// the two non-fatal kinds. (Overloads, not a default argument: a report made in a frame that
// holds a setjmp must build no more objects than its message.)
void report(Kind kind, const char* file, int line, const std::string& message);
void report(Kind kind, const char* file, int line, const std::string& message, const std::string& detail);
// Writes the report as report does and aborts.
[[noreturn]] void halt(Kind kind, const char* file, int line, const std::string& message);
[[noreturn]] void halt(Kind kind, const char* file, int line, const std::string& message, const std::string& detail);
// Whether a halt has begun: the abort that follows is the library's, already reported. Safe in a
// signal handler.
bool isHalting();
// The report line alone, newline included, as report writes it.
std::string reportLine(Kind kind, const char* file, int line, const std::string& message);

// A detail naming a file and what is wrong with it: File "photo.png": not a PNG
std::string aboutFile(const std::string& path, const std::string& reason);
// The detail for a file that could not be opened for reading: no such file, or not readable.
std::string unreadableFile(const std::string& path);

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

// Each takes the message and, optionally, a detail line.
#define FATAL_ERROR(...) ::diagnostics::halt(::diagnostics::Kind::FATAL_ERROR, __FILE__, __LINE__, __VA_ARGS__)
#define WARNING(...) ::diagnostics::report(::diagnostics::Kind::WARNING, __FILE__, __LINE__, __VA_ARGS__)
#define FATAL_ASSERTION(...) ::diagnostics::halt(::diagnostics::Kind::FATAL_ASSERTION, __FILE__, __LINE__, __VA_ARGS__)
#define NON_FATAL_ASSERTION(...) \
    ::diagnostics::report(::diagnostics::Kind::NON_FATAL_ASSERTION, __FILE__, __LINE__, __VA_ARGS__)
