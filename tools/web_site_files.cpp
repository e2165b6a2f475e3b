#include "web_site_files.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace tav::tools {
namespace {

namespace fs = std::filesystem;

// The faces the engine maps the games' face names to, by file, and where the web engine's font
// table looks for them: the same paths as on a Debian system.
struct KnownFont {
  const char* file;
  const char* mountPath;
};
constexpr KnownFont kFonts[] = {
    {"ipag.ttf", "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"},
    {"ipagp.ttf", "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"},
    {"ipam.ttf", "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"},
    {"ipamp.ttf", "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf"},
};

bool IsUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t follow = c < 0x80 ? 0 : c >= 0xC2 && c < 0xE0 ? 1 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xF0 && c < 0xF5 ? 3 : 9;
    if (follow == 9 || i + follow >= text.size() + (follow == 0 ? 1 : 0)) return false;
    for (size_t k = 1; k <= follow; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += follow + 1;
  }
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool IsLazyGameFile(const std::string& relativePath) {
  const std::string path = Lower(relativePath);
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  const std::string extension = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                    ? std::string()
                                    : path.substr(dot + 1);
  static const char* const kLazy[] = {"ogg", "wav", "mio", "mid", "midi", "mp3", "txt", "csv"};
  return std::any_of(std::begin(kLazy), std::end(kLazy), [&](const char* e) { return extension == e; });
}

bool ListGameFiles(const fs::path& gameDir, const fs::path& outDir, std::vector<SiteFile>& files, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(gameDir, ec)) {
    error = "the game folder " + gameDir.string() + " does not exist";
    return false;
  }
  const fs::path base = fs::weakly_canonical(gameDir, ec);
  const fs::path skip = fs::weakly_canonical(outDir, ec);
  if (!fs::exists(base / "config" / "startup.tas")) {
    error = gameDir.string() + " is not a game folder: it has no config/startup.tas";
    return false;
  }
  if (skip == base) {
    error = "the site cannot be written into the game folder itself";
    return false;
  }
  fs::recursive_directory_iterator it(base, fs::directory_options::follow_directory_symlink, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (it->path() == skip) {
      it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file(ec)) continue;
    const std::string relative = it->path().lexically_relative(base).generic_string();
    if (!IsUtf8(relative)) {
      error = "the file name " + it->path().string() +
              " is not UTF-8: rename it (the browser's file system keeps names as Unicode)";
      return false;
    }
    files.push_back({relative, it->file_size(ec), IsLazyGameFile(relative)});
    if (ec) break;
  }
  if (ec) {
    error = "cannot read the game folder " + gameDir.string() + ": " + ec.message();
    return false;
  }
  std::sort(files.begin(), files.end(), [](const SiteFile& a, const SiteFile& b) { return a.path < b.path; });
  return true;
}

std::vector<fs::path> DefaultFontDirs() {
  return {"/usr/share/fonts/opentype/ipafont-gothic", "/usr/share/fonts/opentype/ipafont-mincho",
          "/usr/share/fonts/truetype/ipafont-gothic", "/usr/share/fonts/truetype/ipafont-mincho"};
}

bool FindFonts(const std::vector<fs::path>& dirs, std::vector<SiteFont>& fonts, std::string& error) {
  for (const KnownFont& known : kFonts) {
    std::error_code ec;
    bool found = false;
    for (const fs::path& dir : dirs) {
      const fs::path candidate = dir / known.file;
      if (fs::is_regular_file(candidate, ec)) {
        fonts.push_back({candidate, known.mountPath, fs::file_size(candidate, ec)});
        found = true;
        break;
      }
    }
    if (!found) {
      error = std::string("the font ") + known.file +
              " was not found (install fonts-ipafont-gothic and fonts-ipafont-mincho, or give --fonts DIR)";
      return false;
    }
  }
  return true;
}

std::vector<SiteLicence> FontLicences(const std::vector<SiteFont>& fonts) {
  std::vector<SiteLicence> licences;
  std::error_code ec;
  auto add = [&](const fs::path& source, const std::string& name) {
    if (!fs::is_regular_file(source, ec)) return;
    for (const SiteLicence& known : licences) {
      if (known.name == name) return;
    }
    licences.push_back({source, name});
  };
  for (const SiteFont& font : fonts) {
    // Beside the font (a folder given with --fonts), else the copyright file of Debian's package.
    add(font.source.parent_path() / "IPA_Font_License_Agreement_v1.0.txt", "IPA_Font_License_Agreement_v1.0.txt");
    const std::string package = font.mountPath.find("mincho") != std::string::npos ? "fonts-ipafont-mincho"
                                                                                    : "fonts-ipafont-gothic";
    add(fs::path("/usr/share/doc") / package / "copyright", package + ".copyright.txt");
  }
  return licences;
}

}  // namespace tav::tools
