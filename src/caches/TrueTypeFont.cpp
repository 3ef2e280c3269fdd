// TrueTypeFont: FTGL cuts each glyph into triangles once, on the renderer thread, which then draws
// them itself, placed as FTGL places them; a private FreeType face of our own, under a mutex,
// answers measurements on the user's thread with the same numbers FTGL would give.
// Faces given by family name are found through fontconfig, on whichever thread asks.
#include "caches/TrueTypeFont.h"

#include <FTGL/ftgl.h>
#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>
#include FT_FREETYPE_H

namespace {

// FTGL's own glyph loading, so that measured advances match the drawn ones to the hundredth.
constexpr FT_Int32 OUTLINE_LOAD_FLAGS = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
// Both FTGL and our face are sized in pixels: one point per pixel at 72 dpi.
constexpr unsigned int ONE_POINT_PER_PIXEL = 72;

double toPixels(FT_Pos value) { return value / 64.0; }

}  // namespace

TrueTypeFont::TrueTypeFont() = default;

TrueTypeFont::~TrueTypeFont() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
}

std::string TrueTypeFont::open(const std::string& file, int pointSize) {
    std::lock_guard<std::mutex> lock(measureMutex);
    path = file;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, path.c_str(), 0, &face) != 0) return "not a font";
    // FTGL draws outlines: a face of bitmaps only (BDF, PCF) would open and then never draw.
    if (!FT_IS_SCALABLE(face) ||
        FT_Set_Char_Size(face, 0, pixelSize(pointSize) * 64, ONE_POINT_PER_PIXEL, ONE_POINT_PER_PIXEL) != 0)
        return "not an outline font";
    return "";
}

bool TrueTypeFont::create(int pointSize) {
    const int pixels = pixelSize(pointSize);
    if (pixels == outlinePixels) return true;
    if (!outlines) {
        outlines = std::make_unique<FTPolygonFont>(path.c_str());
        // Each glyph is drawn once only, to cut it into triangles.
        outlines->UseDisplayList(false);
    }
    if (outlines->Error() || !outlines->FaceSize(pixels, ONE_POINT_PER_PIXEL)) return false;
    outlinePixels = pixels;
    std::fill(std::begin(triangulated), std::end(triangulated), false);
    return true;
}

namespace {

// The triangles GL makes of what draw draws, x and y for each corner, as GL's feedback mode reports
// them. The matrices and the viewport only scale by powers of two, so every corner within reach of
// the origin comes back exactly as drawn, to the bit.
template <class Draw>
std::vector<GLfloat> feedbackTriangles(double reach, Draw draw) {
    GLint largestViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largestViewport);
    // The viewport spans -2^e to 2^e pixels about the origin.
    const int viewportExponent = std::min(12, std::ilogb(std::min(largestViewport[0], largestViewport[1])) - 1);
    const int reachExponent = std::ilogb(std::max(reach, 1.0)) + 2;  // 2^r is past every corner
    const GLint half = 1 << viewportExponent;
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(-half, -half, 2 * half, 2 * half);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const GLfloat shrink = std::ldexp(1.0f, -reachExponent);
    glScalef(shrink, shrink, 1);
    std::vector<GLfloat> feedback(4096);
    GLint used = -1;
    while (used < 0) {
        glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_2D, feedback.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        used = glRenderMode(GL_RENDER);
        if (used < 0) feedback.resize(feedback.size() * 2);  // it overflowed: again, with more room
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    // Polygons of n corners as fans of triangles; GL reports each triangle of a strip or fan alone.
    std::vector<GLfloat> corners;
    const int grow = reachExponent - viewportExponent;
    auto corner = [&](GLint at) {
        corners.push_back(std::ldexp(feedback[at], grow));
        corners.push_back(std::ldexp(feedback[at + 1], grow));
    };
    for (GLint at = 0; at < used;) {
        if (static_cast<GLint>(feedback[at]) != GL_POLYGON_TOKEN) {
            ++at;  // no other token comes from filled polygons
            continue;
        }
        const GLint count = static_cast<GLint>(feedback[at + 1]);
        const GLint first = at + 2;
        for (GLint k = 1; k + 1 < count; ++k) {
            corner(first);
            corner(first + 2 * k);
            corner(first + 2 * (k + 1));
        }
        at = first + 2 * count;
    }
    return corners;
}

}  // namespace

const TrueTypeFont::Mesh& TrueTypeFont::meshOf(unsigned char c, double reach) {
    Mesh& mesh = meshes[c];
    if (triangulated[c]) return mesh;
    mesh = Mesh();
    const wchar_t character = c;
    const std::vector<GLfloat> corners =
        feedbackTriangles(reach, [&] { outlines->Render(&character, 1, FTPoint(0, 0)); });
    // Corners that triangles share are transformed once when drawn by index.
    std::map<std::pair<GLfloat, GLfloat>, unsigned int> indexOf;
    for (std::size_t at = 0; at < corners.size(); at += 2) {
        const auto [known, added] =
            indexOf.emplace(std::pair{corners[at], corners[at + 1]}, static_cast<unsigned int>(indexOf.size()));
        if (added) mesh.corners.insert(mesh.corners.end(), {corners[at], corners[at + 1]});
        mesh.triangles.push_back(known->second);
    }
    triangulated[c] = true;
    return mesh;
}

const TrueTypeFont::Glyph& TrueTypeFont::glyphOf(unsigned char c) {
    Glyph& glyph = glyphs[c];
    if (glyph.known) return glyph;
    glyph.index = FT_Get_Char_Index(face, c);
    if (FT_Load_Glyph(face, glyph.index, OUTLINE_LOAD_FLAGS) == 0) glyph.advance = toPixels(face->glyph->advance.x);
    glyph.known = true;
    return glyph;
}

template <class Visit>
double TrueTypeFont::walk(const std::string& text, Visit visit) {
    double pen = 0;
    FT_UInt previous = 0;
    for (std::size_t position = 0; position < text.size(); ++position) {
        const Glyph& glyph = glyphOf(static_cast<unsigned char>(text[position]));
        if (previous && FT_HAS_KERNING(face)) {
            FT_Vector kerning;
            if (FT_Get_Kerning(face, previous, glyph.index, FT_KERNING_UNFITTED, &kerning) == 0)
                pen += toPixels(kerning.x);
        }
        visit(position, pen, glyph);
        pen += glyph.advance;
        previous = glyph.index;
    }
    return pen;
}

void TrueTypeFont::output(const std::string& text, const std::function<bool(const Box&)>& shows) {
    std::size_t first = text.size(), last = 0;
    double firstPen = 0;
    double farthest = 0;  // from the origin, of any glyph's ink
    {
        std::lock_guard<std::mutex> lock(measureMutex);
        // The face's bounding box holds every glyph's ink, however far it leans past its advance.
        const FT_Fixed scale = face->size->metrics.x_scale;
        const Box reach{toPixels(FT_MulFix(face->bbox.xMin, scale)), toPixels(FT_MulFix(face->bbox.yMin, scale)),
                        toPixels(FT_MulFix(face->bbox.xMax, scale)), toPixels(FT_MulFix(face->bbox.yMax, scale))};
        farthest = std::max({-reach.left, -reach.bottom, reach.right, reach.top});
        walk(text, [&](std::size_t position, double pen, const Glyph&) {
            if (!shows({pen + reach.left, reach.bottom, pen + reach.right, reach.top})) return;
            if (first == text.size()) {
                first = position;
                firstPen = pen;
            }
            last = position;
        });
    }
    if (first == text.size()) return;
    // From the first glyph that shows on, placed and moved there and back as FTGL's own drawing
    // places and moves them: the same matrices to the bit.
    glEnableClientState(GL_VERTEX_ARRAY);
    double pen = firstPen;
    for (std::size_t position = first; position <= last; ++position) {
        const unsigned char c = static_cast<unsigned char>(text[position]);
        const Mesh& glyph = meshOf(c, farthest);
        const GLfloat at = static_cast<GLfloat>(pen);
        glTranslatef(at, 0, 0);
        if (!glyph.triangles.empty()) {
            glVertexPointer(2, GL_FLOAT, 0, glyph.corners.data());
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(glyph.triangles.size()), GL_UNSIGNED_INT,
                           glyph.triangles.data());
        }
        glTranslatef(-at, 0, 0);
        if (position < last) pen += penStep(c, static_cast<unsigned char>(text[position + 1]));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

double TrueTypeFont::penStep(unsigned char c, unsigned char next) {
    // Two advances that differ by the step alone, whatever FTGL puts after the last character.
    const wchar_t pair[] = {c, next};
    return outlines->Advance(pair, 2) - outlines->Advance(pair + 1, 1);
}

void TrueTypeFont::measure(const std::string& text, int& width, int& height) {
    std::lock_guard<std::mutex> lock(measureMutex);
    width = static_cast<int>(std::lround(walk(text, [](std::size_t, double, const Glyph&) {})));
    // The two lines rounded outward, as FreeType rounds them in its size metrics, the higher up: a
    // broken font may put its descender above its ascender.
    const auto [bottom, top] = std::minmax(face->descender, face->ascender);
    const FT_Fixed scale = face->size->metrics.y_scale;
    height =
        static_cast<int>(std::ceil(toPixels(FT_MulFix(top, scale))) - std::floor(toPixels(FT_MulFix(bottom, scale))));
}

int TrueTypeFont::pixelSize(int pointSize) { return static_cast<int>(std::lround(pointSize * 90.0 / 72.0)); }

namespace {

// A face is plainly a path when it has a folder in it or ends in one of these.
const char* const FONT_FILE_EXTENSIONS[] = {".ttf", ".otf", ".ttc", ".otc",  ".pfa",
                                            ".pfb", ".bdf", ".pcf", ".woff", ".woff2"};

bool isPath(const std::string& face) {
    if (face.find_first_of("/\\") != std::string::npos) return true;
    const std::size_t dot = face.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = face.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::find(std::begin(FONT_FILE_EXTENSIONS), std::end(FONT_FILE_EXTENSIONS), extension) !=
           std::end(FONT_FILE_EXTENSIONS);
}

bool isFamily(const FcChar8* name, const FcChar8* family) { return FcStrCmpIgnoreCase(name, family) == 0; }

// Whether one of the match's family names is the one asked for: fontconfig always offers a font,
// in some other family when it lacks the one asked for.
bool isOfFamily(FcPattern* match, const FcChar8* family) {
    FcChar8* name = nullptr;
    for (int n = 0; FcPatternGetString(match, FC_FAMILY, n, &name) == FcResultMatch; ++n)
        if (isFamily(name, family)) return true;
    return false;
}

// Whether fontconfig's configuration knows the family: a generic name (sans-serif, Sans), which it
// replaces by the families it prefers, or an alias (Helvetica, Arial) that it follows by stand-ins
// bound as strongly as the name itself. A family it merely pads with fallbacks is unknown to it.
bool isKnownToFontconfig(FcPattern* substituted, const FcChar8* family) {
    FcValue first;
    if (FcPatternGet(substituted, FC_FAMILY, 0, &first) != FcResultMatch || first.type != FcTypeString ||
        !isFamily(first.u.s, family))
        return true;
    FcValue second;
    FcValueBinding binding = FcValueBindingWeak;
    return FcPatternGetWithBinding(substituted, FC_FAMILY, 1, &second, &binding) == FcResultMatch &&
           binding == FcValueBindingStrong;
}

std::string stringOf(const FcChar8* text) { return reinterpret_cast<const char*>(text); }

}  // namespace

TrueTypeFont::FaceFile TrueTypeFont::findFile(const std::string& face) {
    if (isPath(face)) {
        std::FILE* file = std::fopen(face.c_str(), "rb");
        if (!file) return {};
        std::fclose(file);
        return {face, ""};
    }
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(face.c_str()));
    if (!wanted) return {};
    // FTGL draws outlines only.
    FcPatternAddBool(wanted, FC_SCALABLE, FcTrue);
    FcChar8* family = nullptr;
    // A copy: the substitutions below rewrite the pattern's list of families.
    FcChar8* askedFor =
        FcPatternGetString(wanted, FC_FAMILY, 0, &family) == FcResultMatch ? FcStrCopy(family) : nullptr;
    FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FaceFile found;
    FcResult result;
    if (FcPattern* match = FcFontMatch(nullptr, wanted, &result)) {
        FcChar8* file = nullptr;
        FcChar8* matchFamily = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) found.path = stringOf(file);
        if (askedFor && !isOfFamily(match, askedFor) && !isKnownToFontconfig(wanted, askedFor) &&
            FcPatternGetString(match, FC_FAMILY, 0, &matchFamily) == FcResultMatch)
            found.standIn = stringOf(matchFamily);
        FcPatternDestroy(match);
    }
    if (askedFor) FcStrFree(askedFor);
    FcPatternDestroy(wanted);
    return found;
}
