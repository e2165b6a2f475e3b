#include "place_json.h"

#include <stdexcept>

#include "archive/archive.h"
#include "dungeon/dungeon_classes.h"
#include "dungeon/place_file.h"
#include "object_json.h"
#include "script/core/var.h"

namespace tav::tools {
namespace {

struct ReadResult {
  Json json;
  std::set<uint32_t> referenced;
  bool longThresholdReference = false;
};

ReadResult ReadPlace(const std::vector<uint8_t>& bytes, const std::set<uint32_t>* referenced, bool fieldArt) {
  archive::Archive ar = archive::Archive::ForReading(bytes);
  ObjectReader reader(ar, referenced, fieldArt);
  ReadResult result;
  Json place = reader.ReadObject();
  if (!ar.AtEnd()) {
    // The engine ignores what follows the object; it is kept so that the bytes survive.
    size_t at = ar.Position();
    result.json = Json::object();
    result.json["place"] = std::move(place);
    result.json["trailing_hex"] = BytesToHex(bytes.data() + at, bytes.size() - at);
  } else {
    result.json = std::move(place);
  }
  result.referenced = reader.Referenced();
  result.longThresholdReference = reader.LongThresholdReference();
  return result;
}

}  // namespace

Json DumpPlace(const std::vector<uint8_t>& bytes) {
  dungeon::RegisterDungeonClasses();
  // The engine decides what a valid place file is; its message names the byte offset.
  std::string error;
  script::VarRef loaded = dungeon::LoadPlaceBytes(bytes, error);
  if (!error.empty()) throw std::runtime_error(error);
  loaded.reset();

  try {
    // The first pass learns which objects are referred back to, so that only they get an id,
    // and whether the fields can be drawn as maps.
    ReadResult first = ReadPlace(bytes, nullptr, false);
    Json out = ReadPlace(bytes, &first.referenced, !first.longThresholdReference).json;
    RequireSameRebuild(BuildPlace(out), bytes);
    return out;
  } catch (const archive::ArchiveError& e) {
    throw std::runtime_error(e.what());
  } catch (const JsonError& e) {
    throw std::runtime_error(std::string("internal error: the dump does not build: ") + e.what());
  }
}

std::vector<uint8_t> BuildPlace(const Json& place) {
  dungeon::RegisterDungeonClasses();
  archive::Archive ar = archive::Archive::ForWriting();
  ObjectWriter writer(ar);
  if (place.is_object() && place.contains("place")) {
    Fields fields(place, "");
    writer.WriteObject(*fields.Find("place"), fields.PathOf("place"), Expect::kValue);
    if (const Json* trailing = fields.Find("trailing_hex")) {
      std::vector<uint8_t> bytes = HexToBytes(*trailing, fields.PathOf("trailing_hex"));
      ar.WriteBytes(bytes.data(), bytes.size());
    }
    fields.Finish();
  } else {
    writer.WriteObject(place, "", Expect::kValue);
  }

  // What we give out must be what the engine reads.
  std::string error;
  script::VarRef loaded = dungeon::LoadPlaceBytes(ar.Bytes(), error);
  if (!error.empty()) throw JsonError("", "the engine refuses the built place: " + error);
  return ar.Bytes();
}

}  // namespace tav::tools
