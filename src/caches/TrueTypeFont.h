// TrueTypeFont: one TrueType file, drawn as filled OpenGL triangles on the renderer thread and
// measured with FreeType directly on any thread. FTGL cuts each glyph into triangles once, on the
// renderer only (its glyph cache is neither thread-safe nor usable without a GL context); the
// triangles, kept in client memory, draw in every window's GL context.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class FTFont;
struct FT_LibraryRec_;
struct FT_FaceRec_;

class TrueTypeFont {
public:
    TrueTypeFont();
    ~TrueTypeFont();
    TrueTypeFont(const TrueTypeFont&) = delete;
    TrueTypeFont& operator=(const TrueTypeFont&) = delete;

    // Where a character's glyph may put ink, in pixels from the start of the text, y up.
    struct Box {
        double left, bottom, right, top;
    };

    // Reads a font file (see findFile) and checks that its outlines can be sized to pointSize: ""
    // if they can, else why not ("not a font", "not an outline font"). Call once, on any thread.
    std::string open(const std::string& file, int pointSize);
    // Renderer thread: readies the outlines at pointSize. False if the font cannot be made at that
    // size.
    bool create(int pointSize);
    // Renderer thread, after create: draws text as filled triangles in the current matrix, the
    // baseline on the origin and y up, each glyph moved to its pen position as FTGL moves it. Each byte is one character (ISO 8859-1), as in GLUT's fonts.
    // Only the run of characters from the first to the last whose box shows is drawn.
    void output(const std::string& text, const std::function<bool(const Box&)>& shows);
    // Any thread: the advance width of text and the height from the lowest descender to the
    // highest ascender, in pixels.
    void measure(const std::string& text, int& width, int& height);

    // Points to pixels at 90 dots per inch: 12 points are 15 pixels.
    static int pixelSize(int pointSize);
    // The file a face is read from, and for a family that is not installed the font drawn instead.
    struct FaceFile {
        std::string path;     // "" for a path that cannot be opened
        std::string standIn;  // "" unless fontconfig neither has nor knows the family asked for
    };
    // A face that is plainly a path (a slash, a backslash or a font file's extension) is that
    // file. Any other face is a family with an optional style ("DejaVu Serif:bold") that
    // fontconfig matches: its own font, or what fontconfig puts in for a generic name or an alias
    // it knows (sans-serif, Helvetica), or else its best match as a stand-in. Any thread.
    static FaceFile findFile(const std::string& face);

private:
    // A character's glyph in the face, looked up once.
    struct Glyph {
        bool known = false;
        unsigned int index = 0;
        double advance = 0;
    };
    // Calls visit(position, pen, glyph) for each character with the pen where its glyph starts,
    // and returns the pen after the last; the caller holds measureMutex.
    template <class Visit>
    double walk(const std::string& text, Visit visit);
    const Glyph& glyphOf(unsigned char c);
    // A glyph as triangles: each corner once (x, y), and three corners' indices per triangle.
    struct Mesh {
        std::vector<float> corners;
        std::vector<unsigned int> triangles;
    };
    // Renderer thread: a character's glyph, cut on first use. reach: how far from the origin any
    // glyph's ink may lie, in pixels.
    const Mesh& meshOf(unsigned char c, double reach);
    // Renderer thread: how far FTGL's drawing moves its pen from c when next follows. Its kerning
    // is not quite FreeType's, and text has always been drawn with FTGL's.
    double penStep(unsigned char c, unsigned char next);

    std::string path;
    // Renderer thread only: FTGL's glyphs at outlinePixels, and the triangles cut from them.
    int outlinePixels = 0;
    std::unique_ptr<FTFont> outlines;
    Mesh meshes[256];
    bool triangulated[256] = {};

    std::mutex measureMutex;  // guards the members below
    FT_LibraryRec_* library = nullptr;
    FT_FaceRec_* face = nullptr;
    Glyph glyphs[256];
};
