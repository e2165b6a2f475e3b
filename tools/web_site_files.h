#pragma once

// What `tavtool web` puts in a site: the game's files (each marked early or lazy), the fonts and
// the engine's files.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tav::tools {

// The page and the engine built for the web; the web build lays them side by side.
inline constexpr const char* kEngineFiles[] = {"index.html", "tav-page.js", "tav-page.css", "tav-web.js",
                                               "tav-web.wasm"};

struct SiteFile {
  std::string path;  // relative to the game folder, '/'-separated, UTF-8
  uintmax_t size = 0;
  // Fetched the first time the game opens it (music, sounds, text, lists), not before the start.
  bool lazy = false;
};

struct SiteFont {
  std::filesystem::path source;  // where tavtool found it
  std::string mountPath;         // where the web engine looks for it
  uintmax_t size = 0;
};

// Whether the game opens the file late and may never open it: music, sounds, text and lists.
bool IsLazyGameFile(const std::string& relativePath);

// Every regular file under `gameDir`, sorted, leaving out `outDir` when it lies inside. False with
// `error` when a name is not UTF-8 (the browser's file system keeps names as Unicode) or the
// folder cannot be read.
bool ListGameFiles(const std::filesystem::path& gameDir, const std::filesystem::path& outDir,
                   std::vector<SiteFile>& files, std::string& error);

// The system's folders of the IPA fonts.
std::vector<std::filesystem::path> DefaultFontDirs();
// The four IPA faces the engine maps the games' face names to, found in `dirs`. False with
// `error` naming the first one missing.
bool FindFonts(const std::vector<std::filesystem::path>& dirs, std::vector<SiteFont>& fonts, std::string& error);
struct SiteLicence {
  std::filesystem::path source;
  std::string name;  // its name in the site's fonts/ folder
};
// The fonts' licence: the agreement beside them, or the copyright files of Debian's packages.
std::vector<SiteLicence> FontLicences(const std::vector<SiteFont>& fonts);

}  // namespace tav::tools
