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
};

struct ClassLayout {
  const char* name;
  std::vector<Segment> segments;
  bool appearance = false;  // may be a view's child
};

// Null for a class the tool does not know.
const ClassLayout* FindLayout(std::string_view name);
std::string KnownClassNames();

// What a reference may hold where it stands.
enum class Expect { kValue, kFont, kAppearance };

class ObjectReader {
 public:
  // `referenced`: indices that some back-reference names, from an earlier pass (null on that pass).
  ObjectReader(archive::Archive& ar, const std::set<uint32_t>* referenced);
  Json ReadObject();
  void ReadSegments(const std::vector<Segment>& segments, Json& out);
  // Indices named by back-references read so far.
  const std::set<uint32_t>& Referenced() const { return seen_; }

 private:
  void ReadSegment(Segment segment, Json& out, Json& versions);
  void ReadVersion(const char* name, Json& versions);
  Json ReadMembers(bool& wideCount, uint32_t& count);
  Json ReadObjectList(const char* key, Json& out);

  archive::Archive& ar_;
  const std::set<uint32_t>* referenced_;
  std::set<uint32_t> seen_;
  std::vector<bool> isObject_{false};        // by index; slot 0 is null
  std::map<std::string, uint32_t> classes_;  // class name -> index of its record
  unsigned depth_ = 0;
};

class ObjectWriter {
 public:
  explicit ObjectWriter(archive::Archive& ar);
  void WriteObject(const Json& value, const std::string& path, Expect expect);
  void WriteSegments(const std::vector<Segment>& segments, Fields& fields);
  // Expressions that do not compile: the engine loads them as empty expressions.
  const std::vector<std::string>& Warnings() const { return warnings_; }

 private:
  struct Written {
    uint32_t index;
    const ClassLayout* layout;
  };
  void WriteSegment(Segment segment, Fields& fields, Fields* versions);
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
};

}  // namespace tav::tools
