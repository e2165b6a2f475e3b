#pragma once

// Which font file stands in for a family name a game asks for. Natively fontconfig chooses
// (font_match_native.cpp); the web build has no fontconfig and chooses from a fixed table of
// the IPA fonts (font_match_web.cpp), making the same choices fontconfig makes for those names.

#include <string>

#include "gdi/gdi_font.h"

namespace tav::platform {

// The file for a family (UTF-8; empty asks for the default Japanese face), preferring Japanese,
// scalable faces. An empty path when nothing at all can be found.
FontFile MatchInstalledFont(const std::string& family);

}  // namespace tav::platform
