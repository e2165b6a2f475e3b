#include "view_json.h"

#include <stdexcept>

#include "archive/archive.h"
#include "dungeon/dungeon_classes.h"
#include "object_json.h"
#include "screen/screen_classes.h"
#include "screen/var_view.h"
#include "screen/view_classes.h"
#include "script/runtime.h"

namespace tav::tools {
namespace {

const std::vector<Segment> kViewSegments = {Segment::kVar, Segment::kObject, Segment::kRect, Segment::kViewTail};

Json ReadView(const std::vector<uint8_t>& bytes, const std::set<uint32_t>* referenced, std::set<uint32_t>& seen) {
  archive::Archive ar = archive::Archive::ForReading(bytes);
  ObjectReader reader(ar, referenced);
  Json out = Json::object();
  reader.ReadSegments(kViewSegments, out);
  if (!ar.AtEnd()) {
    // The engine ignores what follows the view; it is kept so that the bytes survive.
    size_t at = ar.Position();
    out["trailing_hex"] = BytesToHex(bytes.data() + at, bytes.size() - at);
  }
  seen = reader.Referenced();
  return out;
}

}  // namespace

void InitializeEngineClasses() {
  script::InitializeRuntime();
  screen::RegisterViewClasses();
  screen::RegisterScreenValueClasses();
  dungeon::RegisterDungeonClasses();  // walk and map views
}

Json DumpView(const std::vector<uint8_t>& bytes) {
  // The engine decides what a valid view file is; its message names the byte offset.
  std::string error;
  if (!screen::LoadView(bytes, error)) throw std::runtime_error(error);

  // The first pass learns which objects are referred back to, so that only they get an id.
  std::set<uint32_t> referenced;
  std::set<uint32_t> unused;
  try {
    ReadView(bytes, nullptr, referenced);
    Json out = ReadView(bytes, &referenced, unused);

    std::vector<std::string> warnings;
    RequireSameRebuild(BuildView(out, warnings), bytes);
    return out;
  } catch (const archive::ArchiveError& e) {
    throw std::runtime_error(e.what());
  } catch (const JsonError& e) {
    throw std::runtime_error(std::string("internal error: the dump does not build: ") + e.what());
  }
}

std::vector<uint8_t> BuildView(const Json& view, std::vector<std::string>& warnings) {
  archive::Archive ar = archive::Archive::ForWriting();
  ObjectWriter writer(ar);
  Fields fields(view, "");
  writer.WriteSegments(kViewSegments, fields);
  if (const Json* trailing = fields.Find("trailing_hex")) {
    std::vector<uint8_t> bytes = HexToBytes(*trailing, fields.PathOf("trailing_hex"));
    ar.WriteBytes(bytes.data(), bytes.size());
  }
  fields.Finish();
  warnings = writer.Warnings();

  // What we give out must be what the engine reads.
  std::string error;
  if (!screen::LoadView(ar.Bytes(), error)) {
    throw JsonError("", "the engine refuses the built view: " + error);
  }
  return ar.Bytes();
}

}  // namespace tav::tools
