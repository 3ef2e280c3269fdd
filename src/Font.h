// Font: a face and point size for drawing text, either one of the toolkit's built-in fonts or a
// TrueType file. A small value holding a handle into the process-wide font cache; copies share it.
#pragma once

#include <ostream>
#include <string>

class Font {
public:
    static constexpr int ROMAN = 1;       // stroke font, scaled by size / 100
    static constexpr int MONO_ROMAN = 2;  // stroke font, scaled by size / 100
    static constexpr int HELVETICA = 3;   // bitmap font at 10, 12 or 18
    static constexpr int TIMES = 4;       // bitmap font at 10 or 24

    // A TrueType font file at a point size; halts on an empty face, a size below 1 or a file
    // that cannot be opened.
    Font(const std::string& face, int pointSize);
    // A built-in font (ROMAN, MONO_ROMAN, HELVETICA, TIMES); halts on any other id.
    Font(int fontId, int pointSize);
    Font(const Font& other);
    Font& operator=(const Font& other);
    ~Font();

    // Same face and point size.
    bool operator==(const Font& other) const;
    bool operator!=(const Font& other) const;

    std::string getFace() const { return face; }
    int getPointSize() const { return pointSize; }
    // Switches to the TrueType file face at the current size; halts on an empty face.
    void setFace(const std::string& newFace);
    // Switches to a TrueType font of the current face at the new size; halts below 1.
    void setPointSize(int newPointSize);

    // Whether the font file can be opened for reading (false for a size below 1).
    static bool checkFont(const std::string& face, int pointSize);
    // The size of text in pixels (stroke fonts: width in the font's own units). A TrueType font
    // measures 0 by 0 until text in it has been drawn once. Callable from the user's thread.
    void getStringSize(const std::string& text, int& width, int& height) const;

private:
    friend class DaemonImp;

    std::string face;
    int pointSize;
    int handle;
};

// Writes Font(face, size).
std::ostream& operator<<(std::ostream& out, const Font& font);
