// Finding a font file for a GDI font request through fontconfig, and the one FreeType
// library the font units share. A face that is not installed is replaced by the best
// installed match for the language of the character set, as GDI substitutes faces.
#include <fontconfig/fontconfig.h>

#include <mutex>

#include "platform/freetype/font_internal.h"

namespace freetype_font {

FT_Library Library() {
    static std::once_flag once;
    static FT_Library library = nullptr;
    std::call_once(once, [] {
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
    });
    return library;
}

bool ChooseFace(const std::string& family_utf8, const char* language, bool fixed_pitch, int weight, bool italic,
                FaceChoice* choice) {
    static std::mutex guard;
    std::lock_guard<std::mutex> lock(guard);
    // One configuration of our own, loaded once and kept for the life of the process.
    static FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) return false;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return false;
    const char* family = !family_utf8.empty() ? family_utf8.c_str() : (fixed_pitch ? "monospace" : "sans-serif");
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    if (fixed_pitch && !family_utf8.empty()) {
        // A named face stays first; the fixed-pitch family only ranks the substitutes.
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    }
    if (language != nullptr) {
        FcLangSet* languages = FcLangSetCreate();
        if (languages != nullptr) {
            FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>(language));
            FcPatternAddLangSet(pattern, FC_LANG, languages);
            FcLangSetDestroy(languages);
        }
    }
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPatternAddInteger(pattern, FC_WEIGHT, weight >= FW_SEMIBOLD ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return false;
    FcChar8* file = nullptr;
    bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr;
    if (found) {
        choice->file = reinterpret_cast<const char*>(file);
        int index = 0;
        choice->index = FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
        int matched_weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &matched_weight);
        // For a face without a bold of its own the configuration may answer the weight
        // asked for together with a request for bolder outlines: such a face is not bold.
        FcBool embolden = FcFalse;
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        choice->bold = matched_weight >= FC_WEIGHT_DEMIBOLD && embolden != FcTrue;
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        choice->italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return found;
}

}  // namespace freetype_font

