// Finds TrueType font files through fontconfig when the file asked for is missing.

#include "FontFile.h"

#include <fontconfig/fontconfig.h>

#include <fstream>

namespace {

std::string fontconfig_match(std::string const& pattern) {
    std::string file;
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
    if (!wanted) return file;
    FcPatternAddString(wanted, FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
    FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result;
    FcPattern* found = FcFontMatch(nullptr, wanted, &result);
    FcChar8* path = nullptr;
    if (found && FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch)
        file = reinterpret_cast<const char*>(path);
    if (found) FcPatternDestroy(found);
    FcPatternDestroy(wanted);
    return file;
}

}  // namespace

std::string truetype_font_file(std::string const& preferred, std::string const& pattern) {
    if (std::ifstream(preferred).good()) return preferred;
    std::string match = fontconfig_match(pattern);
    return match.empty() ? preferred : match;
}
