// Archive objects as JSON and back, class by class, keeping what the archive can vary.
//
// An object reference is JSON null, a new object {"class": NAME, ...fields}, or a reference back
// to an object written before {"ref": ID}. A dump gives an object an "id" (its index in the
// archive) only when something refers back to it; a build accepts any unique number or string
// as an id. Class records are not shown: the writer records each class once, on first use, as
// the engine does. Version words are shown under "versions" only when they are not 1.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "json_access.h"

namespace tav::tools {

// The parts a class's payload is made of, in stored order.
enum class Segment {
  kVar,         // version word
  kObject,      // version word, base key, member map
  kRect,        // left, top, right, bottom
  kAppear,      // version word, active, part, index offset, key word, reserved, condition
  kColour,      // version word, colour, shadow colour, shadow offset
  kFontRef,     // the font as an object reference
  kStringAppear,  // version word, width, format, pad character
  kText,        // the text
  kExpression,  // an expression's source text
  kBox,         // pen width
  kBoxFill,     // fill colour
  kViewTail,    // the font, then the children
  kBool,
  kInt,
  kDouble,
  kInt64,
  kString,
  kRefTarget,   // a reference's target
  kElements,    // version word, the elements
  kPlace,       // version word
  kRandom,      // generator state
  kLogFont,     // the 60 bytes of a font description
  kMapFontRef,  // the font as an object reference; absent in JSON: a new map view's own font
  kWalk,        // version word, the walk view's values
  kMap,         // version word, the map view's values
  kDungeon,     // version word, the fields
  kField,       // version word, size, floor, the blocks (drawn as a map where it can be)
  kLay,         // data0, data1
  kEventLay,    // version word, floor colour, ceiling colour, event number
  kRecordLay,   // version word, record text, record flag
};

// What a class is, for the places a reference may stand.
enum class Family { kValue, kThreshold, kCellData };

struct ClassLayout {
  const char* name;
  std::vector<Segment> segments;
  bool appearance = false;  // may be a view's child
  Family family = Family::kValue;
};

// Null for a class the tool does not know.
const ClassLayout* FindLayout(std::string_view name);
std::string KnownClassNames();

// What a reference may hold where it stands.
enum class Expect { kValue, kFont, kAppearance, kField, kThreshold, kCellData };

class FieldArtReader;
class FieldArtWriter;

class ObjectReader {
 public:
  // `referenced`: indices that some back-reference names, from an earlier pass (null on that pass).
  // `fieldArt`: the blocks of fields are drawn as a map (field_json.cpp) instead of listed.
  ObjectReader(archive::Archive& ar, const std::set<uint32_t>* referenced, bool fieldArt = false);
  ~ObjectReader();
  Json ReadObject();
  void ReadSegments(const std::vector<Segment>& segments, Json& out);
  // Indices named by back-references read so far.
  const std::set<uint32_t>& Referenced() const { return seen_; }
  // True once a threshold was referred to in the long form, which a drawn map cannot keep.
  bool LongThresholdReference() const { return longThresholdRef_; }

 private:
  friend class FieldArtReader;
  void ReadSegment(Segment segment, Json& out, Json& versions);
  void ReadDungeonSegment(Segment segment, Json& out, Json& versions);  // dungeon_layouts.cpp
  void ReadFieldBlocks(Json& out);                                       // field_json.cpp
  void ReadVersion(const char* name, Json& versions);
  Json ReadMembers(bool& wideCount, uint32_t& count);
  Json ReadObjectList(const char* key, Json& out);

  archive::Archive& ar_;
  const std::set<uint32_t>* referenced_;
  std::set<uint32_t> seen_;
  std::vector<bool> isObject_{false};        // by index; slot 0 is null
  std::map<std::string, uint32_t> classes_;  // class name -> index of its record
  unsigned depth_ = 0;
  bool fieldArt_;
  bool longThresholdRef_ = false;
  std::unique_ptr<FieldArtReader> art_;      // the drawn maps' state across the fields of a file
};

class ObjectWriter {
 public:
  struct Written {
    uint32_t index;  // 0 for null
    const ClassLayout* layout;
  };

  explicit ObjectWriter(archive::Archive& ar);
  ~ObjectWriter();
  Written WriteObject(const Json& value, const std::string& path, Expect expect);
  // A back-reference to an object written before, by its index.
  void WriteReference(uint32_t index);
  void WriteSegments(const std::vector<Segment>& segments, Fields& fields);
  // Expressions that do not compile: the engine loads them as empty expressions.
  const std::vector<std::string>& Warnings() const { return warnings_; }

 private:
  friend class FieldArtWriter;
  void WriteSegment(Segment segment, Fields& fields, Fields* versions);
  void WriteDungeonSegment(Segment segment, Fields& fields, Fields* versions);  // dungeon_layouts.cpp
  void WriteFieldBlocks(Fields& fields, int32_t xLength, int32_t yLength);     // field_json.cpp
  void WriteVersion(const char* name, Fields* versions);
  void WriteMembers(Fields& fields);
  void WriteObjectList(Fields& fields, const char* key, Expect expect);
  void WriteExpression(Fields& fields, const char* key, const char* fallback);
  uint32_t TakeIndex(const std::string& path);

  archive::Archive& ar_;
  std::map<std::string, uint32_t> classes_;
  std::map<std::string, Written> ids_;  // id as JSON text -> object
  uint32_t next_ = 1;
  unsigned depth_ = 0;
  std::vector<std::string> warnings_;
  std::unique_ptr<FieldArtWriter> art_;
};

// The JSON of a new map view's own font (a TOL_Font object).
const Json& DefaultMapFontJson();

}  // namespace tav::tools
