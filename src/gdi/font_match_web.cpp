#include <cstdlib>
#include <string_view>

#include "gdi/font_match.h"

// The web build's fonts: the four IPA faces of Debian's fonts-ipafont-gothic and
// fonts-ipafont-mincho packages, found under one folder with the packages' own layout:
//   FOLDER/ipafont-gothic/ipag.ttf, ipagp.ttf    FOLDER/ipafont-mincho/ipam.ttf, ipamp.ttf
// FOLDER is $TAV_FONT_DIR when set, else /usr/share/fonts/opentype (where the packages put them,
// which is what the command-line build reads through the real file system; a page lays the files
// it ships at that same place in its own file system). The licence travels with the files.

namespace tav::platform {
namespace {

struct FamilyFile {
  std::u8string_view family;  // as fontconfig compares: case and spaces ignored
  const char* file;
};

// The names fontconfig answers for these faces (their English and Japanese family names), and
// the one generic name it maps to Mincho. Everything else falls back to IPAGothic, as
// fontconfig's Japanese default does.
constexpr FamilyFile kFamilies[] = {
    {u8"ipagothic", "ipafont-gothic/ipag.ttf"},     {u8"ipaゴシック", "ipafont-gothic/ipag.ttf"},
    {u8"ipapgothic", "ipafont-gothic/ipagp.ttf"},   {u8"ipapゴシック", "ipafont-gothic/ipagp.ttf"},
    {u8"ipamincho", "ipafont-mincho/ipam.ttf"},     {u8"ipa明朝", "ipafont-mincho/ipam.ttf"},
    {u8"ipapmincho", "ipafont-mincho/ipamp.ttf"},   {u8"ipap明朝", "ipafont-mincho/ipamp.ttf"},
    {u8"serif", "ipafont-mincho/ipam.ttf"},
};
constexpr const char* kDefaultFile = "ipafont-gothic/ipag.ttf";

std::u8string Folded(const std::string& family) {
  std::u8string out;
  for (char c : family) {
    if (c == ' ') continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    out.push_back(static_cast<char8_t>(c));
  }
  return out;
}

}  // namespace

FontFile MatchInstalledFont(const std::string& family) {
  const char* file = kDefaultFile;
  std::u8string folded = Folded(family);
  for (const auto& entry : kFamilies) {
    if (folded == entry.family) file = entry.file;
  }
  const char* folder = std::getenv("TAV_FONT_DIR");
  FontFile found;
  found.path = std::string(folder && *folder ? folder : "/usr/share/fonts/opentype") + "/" + file;
  return found;
}

}  // namespace tav::platform
