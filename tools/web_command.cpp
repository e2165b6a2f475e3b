// tavtool web GAME_DIR OUT_DIR: a static web site that plays the game in a browser.
//
// The site: the page (index.html, tav-page.js, tav-page.css), the engine built for the web
// (tav-web.js, tav-web.wasm), the game folder under game/, the fonts a game can reach under
// fonts/ with their licence, and site.json, the index the page reads first. Files the game needs
// before it starts (definitions, scripts, views, places, pictures) are marked "early": the page
// fetches them, showing progress, before the engine starts. Music, sounds, text and list files,
// and the fonts, are "lazy": the page only creates them as empty-looking placeholders of the right
// size and fetches a file the first time the game opens it, so a game with hundreds of megabytes
// of music starts as fast as one with none.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "web_site_files.h"

namespace tav::tools {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: tavtool web GAME_DIR OUT_DIR [--engine DIR] [--fonts DIR]\n"
    "  Writes a static web site that plays the game: open OUT_DIR/index.html through any web server\n"
    "  (python3 -m http.server -d OUT_DIR).\n"
    "  --engine DIR  the folder of the web engine (tav-web.js, tav-web.wasm and the page files);\n"
    "                default: $TAV_WEB_ENGINE, else the folder 'web' beside tavtool\n"
    "  --fonts DIR   where the IPA fonts are (ipag.ttf, ipagp.ttf, ipam.ttf, ipamp.ttf);\n"
    "                default: the system's font folders\n";

bool Fail(const std::string& message) {
  std::fprintf(stderr, "tavtool web: %s\n", message.c_str());
  return false;
}

fs::path DefaultEngineDir() {
  if (const char* given = std::getenv("TAV_WEB_ENGINE"); given && *given) return given;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path("web") : self.parent_path() / "web";
}

bool CopyOne(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  if (ec) return Fail("cannot create " + to.parent_path().string() + ": " + ec.message());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) return Fail("cannot copy " + from.string() + " to " + to.string() + ": " + ec.message());
  return true;
}

bool FindEngine(const fs::path& engineDir) {
  for (const char* name : kEngineFiles) {
    if (!fs::is_regular_file(engineDir / name)) {
      return Fail("the web engine's " + std::string(name) + " is not in " + engineDir.string() +
                  " (build it with tools/build-web OUT tav-web, then give --engine OUT/web)");
    }
  }
  return true;
}

bool CopyEngine(const fs::path& engineDir, const fs::path& out) {
  for (const char* name : kEngineFiles) {
    if (!CopyOne(engineDir / name, out / name)) return false;
  }
  return true;
}

bool CopyGame(const std::vector<SiteFile>& files, const fs::path& gameDir, const fs::path& out) {
  for (const SiteFile& file : files) {
    if (!CopyOne(gameDir / fs::path(file.path), out / "game" / fs::path(file.path))) return false;
  }
  return true;
}

bool CopyFonts(const std::vector<SiteFont>& fonts, const fs::path& out) {
  for (const SiteFont& font : fonts) {
    if (!CopyOne(font.source, out / "fonts" / font.source.filename())) return false;
  }
  // The fonts' licence travels with them.
  const std::vector<SiteLicence> licences = FontLicences(fonts);
  if (licences.empty()) return Fail("the fonts' licence was not found; the fonts cannot be shipped without it");
  for (const SiteLicence& licence : licences) {
    if (!CopyOne(licence.source, out / "fonts" / licence.name)) return false;
  }
  return true;
}

bool WriteIndex(const std::string& gameName, const std::vector<SiteFile>& files, const std::vector<SiteFont>& fonts,
                const fs::path& out) {
  nlohmann::json index;
  index["format"] = 1;
  index["game"] = gameName;
  index["engine"] = {{"js", "tav-web.js"}, {"wasm", "tav-web.wasm"}};
  nlohmann::json list = nlohmann::json::array();
  for (const SiteFile& file : files) {
    list.push_back({{"path", file.path}, {"size", file.size}, {"lazy", file.lazy}});
  }
  index["files"] = std::move(list);
  nlohmann::json fontList = nlohmann::json::array();
  for (const SiteFont& font : fonts) {
    fontList.push_back({{"url", "fonts/" + font.source.filename().string()},
                        {"path", font.mountPath},
                        {"size", font.size}});
  }
  index["fonts"] = std::move(fontList);
  const std::string text = index.dump(1) + "\n";
  std::ofstream stream(out / "site.json", std::ios::binary | std::ios::trunc);
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  stream.close();
  if (!stream) return Fail("cannot write " + (out / "site.json").string());
  return true;
}

}  // namespace

int RunWebCommand(const Arguments& args) {
  std::vector<std::string> positional;
  fs::path engineDir = DefaultEngineDir();
  std::vector<fs::path> fontDirs = DefaultFontDirs();
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
    if ((args[i] == "--engine" || args[i] == "--fonts") && i + 1 < args.size()) {
      if (args[i] == "--engine") {
        engineDir = args[++i];
      } else {
        fontDirs = {args[++i]};
      }
    } else if (!args[i].empty() && args[i][0] == '-') {
      std::fprintf(stderr, "tavtool web: unknown option '%s'\n%s", args[i].c_str(), kUsage);
      return kExitUsage;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  const fs::path gameDir = positional[0], out = positional[1];
  std::string error;
  std::vector<SiteFile> files;
  if (!ListGameFiles(gameDir, out, files, error)) return Fail(error), kExitFailed;
  std::vector<SiteFont> fonts;
  if (!FindFonts(fontDirs, fonts, error)) return Fail(error), kExitFailed;
  if (!FindEngine(engineDir)) return kExitFailed;
  std::error_code ec;
  fs::create_directories(out, ec);
  if (ec) return Fail("cannot create " + out.string() + ": " + ec.message()), kExitFailed;
  // A site written before keeps nothing of an older game: the game folder is written afresh.
  fs::remove_all(out / "game", ec);
  const fs::path plain = fs::absolute(gameDir).lexically_normal();
  const std::string gameName = (plain.has_filename() ? plain.filename() : plain.parent_path().filename()).string();
  if (!CopyEngine(engineDir, out) || !CopyGame(files, gameDir, out) || !CopyFonts(fonts, out) ||
      !WriteIndex(gameName, files, fonts, out)) {
    return kExitFailed;
  }
  uintmax_t early = 0, lazy = 0;
  for (const SiteFile& file : files) (file.lazy ? lazy : early) += file.size;
  std::printf("tavtool web: %s: %zu files (%ju bytes before the start, %ju bytes when first opened), %zu fonts\n",
              out.string().c_str(), files.size(), early, lazy, fonts.size());
  return kExitOk;
}

}  // namespace tav::tools
