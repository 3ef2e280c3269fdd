// TrueTypeFont: FTGL draws on the renderer thread; a private FreeType face of our own, under a
// mutex, answers measurements on the user's thread with the same numbers FTGL would give.
// Faces given by family name are found through fontconfig, on whichever thread asks.
#include "TrueTypeFont.h"

#include <FTGL/ftgl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include FT_FREETYPE_H

namespace {

// FTGL's own glyph loading, so that measured advances match the drawn ones to the hundredth.
constexpr FT_Int32 OUTLINE_LOAD_FLAGS = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
// Both FTGL and our face are sized in pixels: one point per pixel at 72 dpi.
constexpr unsigned int ONE_POINT_PER_PIXEL = 72;

std::wstring latin1(const std::string& text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (unsigned char c : text) wide.push_back(static_cast<wchar_t>(c));
    return wide;
}

double toPixels(FT_Pos value) { return value / 64.0; }

}  // namespace

TrueTypeFont::TrueTypeFont() = default;

TrueTypeFont::~TrueTypeFont() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
}

bool TrueTypeFont::open(const std::string& faceName, int pointSize) {
    std::lock_guard<std::mutex> lock(measureMutex);
    path = findFile(faceName);
    // FTGL draws outlines: a face of bitmaps only (BDF, PCF) would open and then never draw.
    return !path.empty() && FT_Init_FreeType(&library) == 0 && FT_New_Face(library, path.c_str(), 0, &face) == 0 &&
           FT_IS_SCALABLE(face) &&
           FT_Set_Char_Size(face, 0, pixelSize(pointSize) * 64, ONE_POINT_PER_PIXEL, ONE_POINT_PER_PIXEL) == 0;
}

bool TrueTypeFont::create(int pointSize) {
    const int pixels = pixelSize(pointSize);
    if (pixels == outlinePixels) return true;
    if (!outlines) {
        outlines = std::make_unique<FTPolygonFont>(path.c_str());
        // Glyphs kept as meshes rather than display lists draw in every window's GL context.
        outlines->UseDisplayList(false);
    }
    if (outlines->Error() || !outlines->FaceSize(pixels, ONE_POINT_PER_PIXEL)) return false;
    outlinePixels = pixels;
    return true;
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
    {
        std::lock_guard<std::mutex> lock(measureMutex);
        // The face's bounding box holds every glyph's ink, however far it leans past its advance.
        const FT_Fixed scale = face->size->metrics.x_scale;
        const Box reach{toPixels(FT_MulFix(face->bbox.xMin, scale)), toPixels(FT_MulFix(face->bbox.yMin, scale)),
                        toPixels(FT_MulFix(face->bbox.xMax, scale)), toPixels(FT_MulFix(face->bbox.yMax, scale))};
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
    const std::wstring run = latin1(text.substr(first, last + 1 - first));
    outlines->Render(run.c_str(), static_cast<int>(run.size()), FTPoint(firstPen, 0));
}

void TrueTypeFont::measure(const std::string& text, int& width, int& height) {
    std::lock_guard<std::mutex> lock(measureMutex);
    width = static_cast<int>(std::lround(walk(text, [](std::size_t, double, const Glyph&) {})));
    height = static_cast<int>(std::lround(toPixels(face->size->metrics.ascender - face->size->metrics.descender)));
}

int TrueTypeFont::pixelSize(int pointSize) { return static_cast<int>(std::lround(pointSize * 90.0 / 72.0)); }

namespace {

// Whether one of the match's family names is the one asked for, in any case: fontconfig always
// offers a font, in some other family when it lacks the one asked for.
bool isOfFamily(FcPattern* match, const FcChar8* family) {
    FcChar8* name = nullptr;
    for (int n = 0; FcPatternGetString(match, FC_FAMILY, n, &name) == FcResultMatch; ++n)
        if (FcStrCmpIgnoreCase(name, family) == 0) return true;
    return false;
}

}  // namespace

std::string TrueTypeFont::findFile(const std::string& face) {
    // A folder opens for reading too, but holds no font.
    std::error_code ignored;
    if (std::FILE* file = std::fopen(face.c_str(), "rb")) {
        std::fclose(file);
        if (!std::filesystem::is_directory(face, ignored)) return face;
    }
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(face.c_str()));
    if (!wanted) return "";
    std::string found;
    FcChar8* family = nullptr;
    if (FcPatternGetString(wanted, FC_FAMILY, 0, &family) == FcResultMatch) {
        FcChar8* askedFor = FcStrCopy(family);  // the substitutions below may add other families
        FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
        FcDefaultSubstitute(wanted);
        FcResult result;
        if (FcPattern* match = FcFontMatch(nullptr, wanted, &result)) {
            FcChar8* file = nullptr;
            if (isOfFamily(match, askedFor) && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
                found = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcStrFree(askedFor);
    }
    FcPatternDestroy(wanted);
    return found;
}
