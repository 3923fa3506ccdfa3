#include "platform/gdi/FontResolver.h"

#include <memory>

#include <fontconfig/fontconfig.h>

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

struct ConfigDeleter {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};

// Our own configuration, loaded once and released at exit; fontconfig's
// shared one would leave memory behind that nothing frees.
FcConfig* Config()
{
    static const std::unique_ptr<FcConfig, ConfigDeleter> config(FcInitLoadConfigAndFonts());
    return config.get();
}

PatternPtr MakeRequest(FcConfig* config, const char* faceName, bool bold, bool italic)
{
    PatternPtr pattern(FcPatternCreate());
    if (!pattern)
        return nullptr;
    if (faceName != nullptr && faceName[0] != '\0')
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(faceName));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    // Outlines can be drawn at any size, emboldened and sheared.
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    return pattern;
}

int IntegerOr(const FcPattern& pattern, const char* property, int fallback)
{
    int value = fallback;
    if (FcPatternGetInteger(&pattern, property, 0, &value) != FcResultMatch)
        return fallback;
    return value;
}

} // namespace

bool FontResolver::Resolve(const char* faceName, bool bold, bool italic, ResolvedFont& font)
{
    FcConfig* config = Config();
    if (config == nullptr)
        return false;
    PatternPtr request = MakeRequest(config, faceName, bold, italic);
    if (!request)
        return false;
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(config, request.get(), &result));
    if (!match)
        return false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || file == nullptr)
        return false;

    font.file = reinterpret_cast<const char*>(file);
    font.index = IntegerOr(*match, FC_INDEX, 0);
    font.bold = IntegerOr(*match, FC_WEIGHT, FC_WEIGHT_REGULAR) >= FC_WEIGHT_DEMIBOLD;
    font.italic = IntegerOr(*match, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
    return true;
}
