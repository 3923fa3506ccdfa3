#pragma once
// Finds the font file behind a face name through fontconfig, as the system's
// font mapper would: a face that is not installed falls back to fontconfig's
// nearest match ("Verdana" becomes DejaVu Sans on a stock Debian system).

#include <string>

struct ResolvedFont {
    std::string file;
    int index = 0;       // the face inside the file (font collections hold several)
    bool bold = false;   // the face is bold by design; otherwise bold must be synthesised
    bool italic = false; // the face slants by design; otherwise the slant must be synthesised
};

namespace FontResolver {

// The best installed match for a face name, preferring a bold and an italic
// face when asked for. False when fontconfig cannot start or knows no font.
bool Resolve(const char* faceName, bool bold, bool italic, ResolvedFont& font);

} // namespace FontResolver
