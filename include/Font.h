// Font: a face and point size for drawing text. The face is a TrueType file path, a family name
// ("DejaVu Sans", "DejaVu Serif:bold", "sans-serif", "Helvetica"), or, for one of the toolkit's
// built-in fonts made from its id, the name "default font #" and the id. A small value holding a
// handle into the process-wide font cache; copies share it. A call that halts aborts the program
// with a report on stderr.
#pragma once

#include <ostream>
#include <string>

#include "CallSite.h"

class Font {
public:
    static constexpr int ROMAN = 1;       // stroke font, scaled by size / 100
    static constexpr int MONO_ROMAN = 2;  // stroke font, scaled by size / 100
    static constexpr int HELVETICA = 3;   // bitmap font at 10, 12 or 18
    static constexpr int TIMES = 4;       // bitmap font at 10 or 24

    // A TrueType font at a point size. A face with a slash, a backslash or a font file's extension
    // is a file path; any other face is a family with an optional ":style", found through
    // fontconfig: generic names and aliases it knows ("sans-serif", "monospace", "Helvetica") give
    // its choice silently, a family not installed gives its best match after a WARNING naming it.
    // Halts on an empty face, a size below 1, or a path that names no outline font (a missing or
    // unreadable file, a file that is no font, a bitmap font file), the line beneath saying which.
    Font(const std::string& face, int pointSize, CallSite site = CallSite());
    // A built-in font (ROMAN, MONO_ROMAN, HELVETICA, TIMES); halts on any other id.
    Font(int fontId, int pointSize, CallSite site = CallSite());
    Font(const Font& other);
    Font& operator=(const Font& other);
    ~Font();

    // Same face and point size.
    bool operator==(const Font& other) const;
    bool operator!=(const Font& other) const;

    std::string getFace() const { return face; }
    int getPointSize() const { return pointSize; }
    // Switches to a TrueType face (file or family name) at the current size; halts as the
    // constructor does.
    void setFace(const std::string& newFace, CallSite site = CallSite());
    // Switches to a TrueType font of the current face at the new size; halts below 1.
    void setPointSize(int newPointSize, CallSite site = CallSite());

    // Whether Font(face, pointSize) would make a TrueType font rather than halt or fall back to a
    // stand-in: the face names a readable outline font file (not a folder), an installed family or
    // a name fontconfig knows, and the size is at least 1.
    static bool checkFont(const std::string& face, int pointSize, CallSite site = CallSite());
    // The size of text in pixels (stroke fonts: width in the font's own units), right from the
    // Font's making. Callable from the user's thread.
    void getStringSize(const std::string& text, int& width, int& height, CallSite site = CallSite()) const;

private:
    friend class Window;

    std::string face;
    int pointSize;
    int handle;
};

// Writes Font(face, size).
std::ostream& operator<<(std::ostream& out, const Font& font);
