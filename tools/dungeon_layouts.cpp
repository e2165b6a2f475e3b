// The payloads of the dungeon classes as named JSON fields: the walk and map views (which view
// files hold), dungeons, fields and cell data (which place files hold). Thresholds store nothing
// beyond their class.

#include "archive_text.h"
#include "dungeon/dungeon_classes.h"
#include "dungeon/map_view.h"
#include "field_json.h"
#include "object_json.h"

namespace tav::tools {
namespace {

using S = Segment;

const char* const kWalkLongs[] = {"side",        "front",      "shift_x",   "shift_y",    "frame_left",
                                  "frame_right", "frame_top",  "frame_bottom", "inner_ratio"};
// A new walk view's values, in the order above.
const int32_t kWalkDefaults[] = {1, 3, 0, 0, 15000, 15000, 15000, 15000, 5000};
const char* const kMapLongs[] = {"x0", "y0", "x1", "y1", "cell_width", "cell_height"};
const char* const kMapFlags[] = {"no_draw_out", "end_bold", "draw_positions"};
const int32_t kMapFlagDefaults[] = {0, 0, 1};

const char* const kDirectionNames[] = {"north", "east", "south", "west"};

// A facing by name when it is one of the four directions, else the number.
Json DirectionJson(int32_t facing) {
  for (int i = 0; i < 4; ++i) {
    if (facing == 1 << i) return kDirectionNames[i];
  }
  return facing;
}

int32_t Direction(Fields& fields, const char* key, int32_t fallback) {
  const Json* value = fields.Find(key);
  if (!value) return fallback;
  if (value->is_string()) {
    for (int i = 0; i < 4; ++i) {
      if (*value == kDirectionNames[i]) return 1 << i;
    }
    throw JsonError(fields.PathOf(key), "expected \"north\", \"east\", \"south\", \"west\" or a number");
  }
  return static_cast<int32_t>(IntegerIn(*value, fields.PathOf(key), INT32_MIN, INT32_MAX));
}

}  // namespace

const Json& DefaultMapFontJson() {
  static const Json font = [] {
    dungeon::RegisterDungeonClasses();
    auto map = script::Make<dungeon::TOL_VarMapApp>();
    archive::Archive out = archive::Archive::ForWriting();
    out.WriteObject(map->Font());
    archive::Archive in = archive::Archive::ForReading(out.Bytes());
    ObjectReader reader(in, nullptr);
    return reader.ReadObject();
  }();
  return font;
}

void ObjectReader::ReadDungeonSegment(Segment segment, Json& out, Json& versions) {
  switch (segment) {
    case S::kMapFontRef: out["font"] = ReadObject(); return;
    case S::kWalk:
      ReadVersion("walk", versions);
      for (const char* key : kWalkLongs) out[key] = ar_.ReadLong();
      out["back_colour"] = ColourJson(ar_.ReadDword());
      out["facing"] = DirectionJson(ar_.ReadLong());
      out["x"] = ar_.ReadLong();
      out["y"] = ar_.ReadLong();
      return;
    case S::kMap:
      ReadVersion("map", versions);
      for (const char* key : kMapLongs) out[key] = ar_.ReadLong();
      out["facing"] = DirectionJson(ar_.ReadLong());
      out["back_colour"] = ColourJson(ar_.ReadDword());
      for (const char* key : kMapFlags) out[key] = ar_.ReadLong();
      return;
    case S::kDungeon:
      ReadVersion("dungeon", versions);
      ReadObjectList("fields", out);
      return;
    case S::kField:
      ReadVersion("field", versions);
      out["x_length"] = ar_.ReadLong();
      out["y_length"] = ar_.ReadLong();
      out["floor"] = ar_.ReadLong();
      ReadFieldBlocks(out);
      return;
    case S::kLay:
      out["data0"] = ar_.ReadLong();
      out["data1"] = ar_.ReadLong();
      return;
    case S::kEventLay:
      ReadVersion("event", versions);
      out["floor_colour"] = ColourJson(ar_.ReadDword());
      out["ceiling_colour"] = ColourJson(ar_.ReadDword());
      out["event_number"] = ar_.ReadLong();
      return;
    case S::kRecordLay: {
      ReadVersion("record", versions);
      out["record_text"] = ReadStringJson(ar_);
      out["record_flag"] = ar_.ReadByte();
      return;
    }
    default: return;
  }
}

void ObjectWriter::WriteDungeonSegment(Segment segment, Fields& fields, Fields* versions) {
  switch (segment) {
    case S::kMapFontRef: {
      const Json* font = fields.Find("font");
      WriteObject(font ? *font : DefaultMapFontJson(), fields.PathOf("font"), Expect::kFont);
      return;
    }
    case S::kWalk: {
      WriteVersion("walk", versions);
      for (size_t i = 0; i < std::size(kWalkLongs); ++i) ar_.WriteLong(fields.Int32(kWalkLongs[i], kWalkDefaults[i]));
      ar_.WriteDword(fields.Colour("back_colour", 0));
      ar_.WriteLong(Direction(fields, "facing", 0));
      ar_.WriteLong(fields.Int32("x", 0));
      ar_.WriteLong(fields.Int32("y", 0));
      return;
    }
    case S::kMap:
      WriteVersion("map", versions);
      for (const char* key : kMapLongs) ar_.WriteLong(fields.Int32(key, 0));
      ar_.WriteLong(Direction(fields, "facing", 1));
      ar_.WriteDword(fields.Colour("back_colour", 0));
      for (size_t i = 0; i < std::size(kMapFlags); ++i) ar_.WriteLong(fields.Int32(kMapFlags[i], kMapFlagDefaults[i]));
      return;
    case S::kDungeon:
      WriteVersion("dungeon", versions);
      WriteObjectList(fields, "fields", Expect::kField);
      return;
    case S::kField: {
      WriteVersion("field", versions);
      const int32_t xLength = fields.Int32("x_length", 0);
      const int32_t yLength = fields.Int32("y_length", 0);
      if (xLength < 0 || yLength < 0 || int64_t{xLength} * yLength > (int64_t{1} << 24)) {
        throw JsonError(fields.Path(), "a field's size must be positive or 0, and at most 2^24 blocks");
      }
      ar_.WriteLong(xLength);
      ar_.WriteLong(yLength);
      ar_.WriteLong(fields.Int32("floor", 0));
      WriteFieldBlocks(fields, xLength, yLength);
      return;
    }
    case S::kLay:
      ar_.WriteLong(fields.Int32("data0", 0));
      ar_.WriteLong(fields.Int32("data1", 0));
      return;
    case S::kEventLay:
      WriteVersion("event", versions);
      ar_.WriteDword(fields.Colour("floor_colour", 0));
      ar_.WriteDword(fields.Colour("ceiling_colour", 0));
      ar_.WriteLong(fields.Int32("event_number", -1));
      return;
    case S::kRecordLay: {
      WriteVersion("record", versions);
      const Json* text = fields.Find("record_text");
      WriteStringJson(ar_, text ? *text : Json(""), fields.PathOf("record_text"));
      ar_.WriteByte(fields.Byte("record_flag", 0));
      return;
    }
    default: return;
  }
}

}  // namespace tav::tools
