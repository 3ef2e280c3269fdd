// CallSite: the file and line of a program that called the library, so that a report can point at
// the program's own line. Every call that can report takes one as its last argument, and the
// compiler fills it in where the call is written: programs never pass it themselves.
#pragma once

class CallSite {
public:
    // The place of the call whose default argument this is.
    explicit constexpr CallSite(const char* file = __builtin_FILE(), int line = __builtin_LINE())
        : file(file), line(line) {}
    constexpr const char* getFile() const { return file; }
    constexpr int getLine() const { return line; }

private:
    const char* file;
    int line;
};
