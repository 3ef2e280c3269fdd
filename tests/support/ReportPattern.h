// Regular expressions for the library's report lines, for death tests and for captured stderr.
// The message is matched literally; the path may carry any directories and the line any number.
#pragma once

#include <string>

#include "shared/Diagnostics.h"

// One whole report, newline included, written by the source file named sourceFile (for instance
// "Style.cpp"), with the line naming the program's call beneath it where a public call made it.
std::string reportPattern(diagnostics::Kind kind, const std::string& sourceFile, const std::string& message);

// The indented line a report writes beneath its report line, saying what the report is about
// (again with the program's line beneath it where a public call made the report).
std::string detailPattern(const std::string& detail);

// The same line anchored at both ends: the stream held that report and nothing else.
std::string onlyReport(diagnostics::Kind kind, const std::string& sourceFile, const std::string& message);

// True when the whole text matches pattern, read in the POSIX extended syntax that death tests use.
// For EXPECT_PRED2, which then prints both on failure.
bool matchesWhole(const std::string& text, const std::string& pattern);
