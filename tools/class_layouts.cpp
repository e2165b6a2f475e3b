// The payload of every class a view file may hold, as named JSON fields. The field order of a
// dump is the stored order; a build takes the fields in any order and gives absent ones the
// value a new object of the class has.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "archive_text.h"
#include "object_json.h"
#include "script/core/formulate.h"

namespace tav::tools {
namespace {

using S = Segment;

const std::vector<ClassLayout>& Layouts() {
  static const std::vector<Segment> kObject = {S::kVar, S::kObject};
  static const std::vector<Segment> kAppear = {S::kVar, S::kObject, S::kRect, S::kAppear};
  static const std::vector<Segment> kColour = {S::kVar, S::kObject, S::kRect, S::kAppear, S::kColour};
  static const std::vector<Segment> kFont = {S::kVar, S::kObject, S::kRect, S::kAppear, S::kColour, S::kFontRef};
  static const std::vector<Segment> kString = {S::kVar,    S::kObject,  S::kRect,
                                               S::kAppear, S::kColour,  S::kFontRef,
                                               S::kStringAppear};
  auto plus = [](std::vector<Segment> base, std::initializer_list<Segment> more) {
    base.insert(base.end(), more);
    return base;
  };
  static const std::vector<ClassLayout> layouts = {
      {"TOL_Var", {S::kVar}},
      {"TOL_VarBool", {S::kVar, S::kBool}},
      {"TOL_VarInt", {S::kVar, S::kInt}},
      {"TOL_VarDouble", {S::kVar, S::kDouble}},
      {"TOL_VarInt64", {S::kVar, S::kInt64}},
      {"TOL_VarTime", {S::kVar, S::kInt64}},
      {"TOL_VarString", {S::kVar, S::kString}},
      {"TOL_VarRef", {S::kVar, S::kRefTarget}},
      {"TOL_VarObject", kObject},
      {"TOL_VarRect", kObject},
      {"TOL_VarPoint", kObject},
      {"TOL_VarSize", kObject},
      {"TOL_VarFont", kObject},
      {"TOL_VarIntObMap", kObject},
      {"TOL_VarObArray", plus(kObject, {S::kElements})},
      {"TOL_VarPlace", plus(kObject, {S::kPlace})},
      {"TOL_VarFunction", {S::kVar}},
      {"TOL_VarFuncState", {S::kVar}},
      {"TOL_VarFuncForm", {S::kVar, S::kExpression}},
      {"TOL_VarRandom", {S::kVar, S::kRandom}},
      {"TOL_Font", {S::kLogFont}},
      {"TOL_VarWindow", plus(kObject, {S::kRect})},
      {"TOL_VarView", plus(kObject, {S::kRect, S::kViewTail})},
      {"TOL_VarAppear", kAppear, true},
      {"TOL_VarColorAppear", kColour, true},
      {"TOL_VarFontAppear", kFont, true},
      {"TOL_VarStringAppear", kString, true},
      {"TOL_VarTextAppear", plus(kString, {S::kText}), true},
      {"TOL_VarFormTextApp", plus(kString, {S::kExpression}), true},
      {"TOL_VarBoxAppear", plus(kColour, {S::kBox}), true},
      {"TOL_VarBoxFillAppear", plus(kColour, {S::kBox, S::kBoxFill}), true},
      {"TOL_VarWalkApp", plus(kColour, {S::kWalk}), true},
      {"TOL_VarMapApp", {S::kVar, S::kObject, S::kRect, S::kAppear, S::kColour, S::kMapFontRef, S::kMap}, true},
      {"TOL_VarDungeon", plus(kObject, {S::kPlace, S::kDungeon})},
      {"TOL_VarField", plus(kObject, {S::kPlace, S::kField})},
      {"TOL_Threshold", {}, false, Family::kThreshold},
      {"TOL_Wall", {}, false, Family::kThreshold},
      {"TOL_Door", {}, false, Family::kThreshold},
      {"TOL_WallDoor", {}, false, Family::kThreshold},
      {"TOL_OneAwayWall", {}, false, Family::kThreshold},
      {"TOL_OneAwayBothWall", {}, false, Family::kThreshold},
      {"TOL_OneAwayDoor", {}, false, Family::kThreshold},
      {"TOL_OneAwayRevWall", {}, false, Family::kThreshold},
      {"TOL_OneAwayRevBothWall", {}, false, Family::kThreshold},
      {"TOL_OneAwayRevDoor", {}, false, Family::kThreshold},
      {"TOL_Lay", {S::kLay}, false, Family::kCellData},
      {"TOL_EventLay", {S::kLay, S::kEventLay}, false, Family::kCellData},
      {"TOL_RecordLay", {S::kLay, S::kEventLay, S::kRecordLay}, false, Family::kCellData},
  };
  return layouts;
}

constexpr uint32_t kNoBaseKey = 0x80000000;
constexpr size_t kFaceSize = 32;

const char* const kFontLongs[] = {"height", "width", "escapement", "orientation", "weight"};
const char* const kFontBytes[] = {"italic",        "underline",      "strike_out", "charset",
                                  "out_precision", "clip_precision", "quality",    "pitch_and_family"};

Json DoubleJson(double value) {
  if (std::isfinite(value)) return value;
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  char text[24];
  std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(bits));
  return text;  // infinities and NaNs have no JSON number: their bits
}

double DoubleFrom(const Json& value, const std::string& path) {
  if (value.is_number()) return value.get<double>();
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() == 18 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      uint64_t bits = 0;
      bool ok = true;
      for (size_t i = 2; i < text.size(); ++i) {
        char c = text[i];
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) ok = false;
        bits = bits << 4 | static_cast<uint64_t>(d < 0 ? 0 : d);
      }
      if (ok) {
        double out;
        std::memcpy(&out, &bits, sizeof out);
        return out;
      }
    }
  }
  throw JsonError(path, "expected a number (or \"0x\" and 16 hex digits for the bits of a NaN or infinity)");
}

}  // namespace

const ClassLayout* FindLayout(std::string_view name) {
  for (const ClassLayout& layout : Layouts()) {
    if (name == layout.name) return &layout;
  }
  return nullptr;
}

std::string KnownClassNames() {
  std::string out;
  for (const ClassLayout& layout : Layouts()) out += (out.empty() ? "" : ", ") + std::string(layout.name);
  return out;
}

// ---- reading ----------------------------------------------------------------------------

void ObjectReader::ReadSegments(const std::vector<Segment>& segments, Json& out) {
  Json versions = Json::object();
  for (Segment segment : segments) ReadSegment(segment, out, versions);
  if (!versions.empty()) out["versions"] = versions;
}

void ObjectReader::ReadVersion(const char* name, Json& versions) {
  uint16_t version = ar_.ReadWord();
  if (version != 1) versions[name] = version;
}

Json ObjectReader::ReadObjectList(const char* key, Json& out) {
  size_t offset = ar_.Position();
  bool wide = false;
  uint32_t count = ReadCountForm(ar_, wide);
  if (uint64_t{count} * 2 > ar_.Bytes().size() - ar_.Position()) {
    throw DumpError(offset, "impossible count " + std::to_string(count));
  }
  Json list = Json::array();
  for (uint32_t i = 0; i < count; ++i) list.push_back(ReadObject());
  out[key] = std::move(list);
  if (wide) out[std::string(key) + "_count_form"] = "dword";
  return out;
}

Json ObjectReader::ReadMembers(bool& wideCount, uint32_t& count) {
  size_t offset = ar_.Position();
  count = ReadCountForm(ar_, wideCount);
  if (uint64_t{count} * 3 > ar_.Bytes().size() - ar_.Position()) {
    throw DumpError(offset, "impossible member count " + std::to_string(count));
  }
  // Plain names that occur once read best as a JSON object; anything else keeps every entry.
  Json entries = Json::array();
  bool plain = true;
  std::set<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    Json name = ReadStringJson(ar_);
    Json value = ReadObject();
    if (!name.is_string() || !names.insert(name.get<std::string>()).second) plain = false;
    Json entry = Json::object();
    entry["name"] = std::move(name);
    entry["value"] = std::move(value);
    entries.push_back(std::move(entry));
  }
  if (!plain) return entries;
  Json members = Json::object();
  for (Json& entry : entries) members[entry["name"].get<std::string>()] = std::move(entry["value"]);
  return members;
}

void ObjectReader::ReadSegment(Segment segment, Json& out, Json& versions) {
  switch (segment) {
    case S::kVar: ReadVersion("var", versions); return;
    case S::kObject: {
      ReadVersion("object", versions);
      uint32_t key = ar_.ReadDword();
      if (key != kNoBaseKey) out["base_key"] = key;
      bool wide = false;
      uint32_t count = 0;
      Json members = ReadMembers(wide, count);
      if (count > 0) out["members"] = std::move(members);
      if (wide) out["members_count_form"] = "dword";
      return;
    }
    case S::kRect: {
      Json rect = Json::object();
      for (const char* side : {"left", "top", "right", "bottom"}) rect[side] = ar_.ReadLong();
      out["rect"] = std::move(rect);
      return;
    }
    case S::kAppear:
      ReadVersion("appear", versions);
      out["active"] = ar_.ReadLong();
      out["part"] = ar_.ReadLong();
      out["index"] = ar_.ReadLong();
      out["key"] = Hex32Text(ar_.ReadDword());
      out["reserved"] = ar_.ReadLong();
      out["condition"] = ReadStringJson(ar_);
      return;
    case S::kColour: {
      ReadVersion("colour", versions);
      out["colour"] = ColourJson(ar_.ReadDword());
      out["shadow_colour"] = ColourJson(ar_.ReadDword());
      Json offset = Json::object();
      offset["x"] = ar_.ReadLong();
      offset["y"] = ar_.ReadLong();
      out["shadow_offset"] = std::move(offset);
      return;
    }
    case S::kFontRef: out["font"] = ReadObject(); return;
    case S::kStringAppear: {
      ReadVersion("string", versions);
      out["width"] = ar_.ReadLong();
      out["format"] = ar_.ReadLong();
      uint8_t pad = ar_.ReadByte();
      if (pad >= 0x20 && pad < 0x7F) out["pad"] = std::string(1, static_cast<char>(pad));
      else out["pad"] = pad;
      return;
    }
    case S::kText: out["text"] = ReadStringJson(ar_); return;
    case S::kExpression: out["expression"] = ReadStringJson(ar_); return;
    case S::kBox: out["pen_width"] = ar_.ReadLong(); return;
    case S::kBoxFill: out["fill_colour"] = ColourJson(ar_.ReadDword()); return;
    case S::kViewTail: {
      out["font"] = ReadObject();
      size_t offset = ar_.Position();
      ReadObjectList("children", out);
      for (const Json& child : out["children"]) {
        if (child.is_null()) throw DumpError(offset, "a null child (a view holds only appearances)");
      }
      return;
    }
    case S::kBool: {
      uint8_t b = ar_.ReadByte();
      if (b <= 1) out["value"] = b == 1;
      else out["value"] = b;
      return;
    }
    case S::kInt: out["value"] = ar_.ReadLong(); return;
    case S::kDouble: out["value"] = DoubleJson(ar_.ReadDouble()); return;
    case S::kInt64: out["value"] = ar_.ReadInt64(); return;
    case S::kString: out["value"] = ReadStringJson(ar_); return;
    case S::kRefTarget: out["target"] = ReadObject(); return;
    case S::kElements:
      ReadVersion("array", versions);
      ReadObjectList("elements", out);
      return;
    case S::kPlace: ReadVersion("place", versions); return;
    case S::kRandom:
      out["seed_low"] = ar_.ReadDword();
      out["seed_high"] = ar_.ReadDword();
      out["cached_gaussian"] = DoubleJson(ar_.ReadDouble());
    {
      uint8_t has = ar_.ReadByte();
      if (has <= 1) out["has_cached_gaussian"] = has == 1;
      else out["has_cached_gaussian"] = has;  // read as true; the byte is kept
      return;
    }
    case S::kLogFont: {
      int32_t longs[5];
      uint8_t bytes[8];
      for (int32_t& v : longs) v = ar_.ReadLong();
      for (uint8_t& b : bytes) b = ar_.ReadByte();
      uint8_t face[kFaceSize];
      ar_.ReadBytes(face, kFaceSize);
      size_t length = 0;
      while (length < kFaceSize && face[length] != 0) ++length;
      bool clean = true;
      for (size_t i = length; i < kFaceSize; ++i) clean = clean && face[i] == 0;
      std::string utf8;
      if (clean && SjisToUtf8Exact(std::string(reinterpret_cast<char*>(face), length), utf8)) {
        out["face"] = utf8;
      } else {
        out["face_hex"] = BytesToHex(face, kFaceSize);  // bytes after the terminator are kept too
      }
      for (int i = 0; i < 5; ++i) out[kFontLongs[i]] = longs[i];
      for (int i = 0; i < 8; ++i) out[kFontBytes[i]] = bytes[i];
      return;
    }
    default: ReadDungeonSegment(segment, out, versions); return;
  }
}

// ---- writing ----------------------------------------------------------------------------

void ObjectWriter::WriteSegments(const std::vector<Segment>& segments, Fields& fields) {
  const Json* versionsJson = fields.Find("versions");
  std::unique_ptr<Fields> versions;
  if (versionsJson) versions = std::make_unique<Fields>(*versionsJson, fields.PathOf("versions"));
  for (Segment segment : segments) WriteSegment(segment, fields, versions.get());
  if (versions) versions->Finish();
}

void ObjectWriter::WriteVersion(const char* name, Fields* versions) {
  ar_.WriteWord(versions ? versions->Uint16(name, 1) : 1);
}

void ObjectWriter::WriteObjectList(Fields& fields, const char* key, Expect expect) {
  const Json* list = fields.Find(key);
  bool wide = false;
  std::string formKey = std::string(key) + "_count_form";
  if (const Json* form = fields.Find(formKey.c_str())) {
    if (*form != "dword") throw JsonError(fields.PathOf(formKey), "expected \"dword\"");
    wide = true;
  }
  if (list && !list->is_array()) throw JsonError(fields.PathOf(key), "expected an array");
  size_t count = list ? list->size() : 0;
  if (count > UINT32_MAX) throw JsonError(fields.PathOf(key), "too many elements");
  WriteCountForm(ar_, static_cast<uint32_t>(count), wide);
  for (size_t i = 0; i < count; ++i) WriteObject((*list)[i], JoinPath(fields.PathOf(key), i), expect);
}

void ObjectWriter::WriteMembers(Fields& fields) {
  const Json* members = fields.Find("members");
  bool wide = false;
  if (const Json* form = fields.Find("members_count_form")) {
    if (*form != "dword") throw JsonError(fields.PathOf("members_count_form"), "expected \"dword\"");
    wide = true;
  }
  std::string path = fields.PathOf("members");
  if (!members) {
    WriteCountForm(ar_, 0, wide);
    return;
  }
  if (!members->is_object() && !members->is_array()) {
    throw JsonError(path, "expected an object of name: value, or an array of {\"name\", \"value\"}");
  }
  if (members->size() > UINT32_MAX) throw JsonError(path, "too many members");
  WriteCountForm(ar_, static_cast<uint32_t>(members->size()), wide);
  if (members->is_object()) {
    for (const auto& [name, value] : members->items()) {
      std::string valuePath = JoinPath(path, name);
      WriteStringJson(ar_, Json(name), valuePath);
      WriteObject(value, valuePath, Expect::kValue);
    }
    return;
  }
  for (size_t i = 0; i < members->size(); ++i) {
    Fields entry((*members)[i], JoinPath(path, i));
    const Json* name = entry.Find("name");
    if (!name) throw JsonError(entry.Path(), "a member needs \"name\"");
    WriteStringJson(ar_, *name, entry.PathOf("name"));
    const Json* value = entry.Find("value");
    if (!value) throw JsonError(entry.Path(), "a member needs \"value\" (null for none)");
    WriteObject(*value, entry.PathOf("value"), Expect::kValue);
    entry.Finish();
  }
}

void ObjectWriter::WriteExpression(Fields& fields, const char* key, const char* fallback) {
  const Json* value = fields.Find(key);
  std::string text;
  WriteStringJson(ar_, value ? *value : Json(fallback), fields.PathOf(key), &text);
  script::TOL_Formulate compiled;
  if (!compiled.Compile(text)) {
    warnings_.push_back(fields.PathOf(key) + ": the expression does not compile; the engine will load it as an empty one");
  }
}

void ObjectWriter::WriteSegment(Segment segment, Fields& fields, Fields* versions) {
  switch (segment) {
    case S::kVar: WriteVersion("var", versions); return;
    case S::kObject:
      WriteVersion("object", versions);
      ar_.WriteDword(fields.Uint32("base_key", kNoBaseKey));
      WriteMembers(fields);
      return;
    case S::kRect: {
      int32_t left = 100, top = 100, right = 300, bottom = 200;  // a new window's rectangle
      if (const Json* rect = fields.Find("rect")) {
        Fields sides(*rect, fields.PathOf("rect"));
        left = sides.Int32("left", left);
        top = sides.Int32("top", top);
        right = sides.Int32("right", right);
        bottom = sides.Int32("bottom", bottom);
        sides.Finish();
      }
      for (int32_t v : {left, top, right, bottom}) ar_.WriteLong(v);
      return;
    }
    case S::kAppear:
      WriteVersion("appear", versions);
      ar_.WriteLong(fields.Int32("active", 0));
      ar_.WriteLong(fields.Int32("part", 0));
      ar_.WriteLong(fields.Int32("index", 0));
      ar_.WriteDword(fields.Hex32("key", 0x1000000));
      ar_.WriteLong(fields.Int32("reserved", 0));
      WriteExpression(fields, "condition", "1");
      return;
    case S::kColour: {
      WriteVersion("colour", versions);
      ar_.WriteDword(fields.Colour("colour", 0xFFFFFF));
      ar_.WriteDword(fields.Colour("shadow_colour", 0));
      int32_t x = 0, y = 0;
      if (const Json* offset = fields.Find("shadow_offset")) {
        Fields xy(*offset, fields.PathOf("shadow_offset"));
        x = xy.Int32("x", 0);
        y = xy.Int32("y", 0);
        xy.Finish();
      }
      ar_.WriteLong(x);
      ar_.WriteLong(y);
      return;
    }
    case S::kFontRef:
    case S::kViewTail: {
      const Json* font = fields.Find("font");
      WriteObject(font ? *font : Json(nullptr), fields.PathOf("font"), Expect::kFont);
      if (segment == S::kViewTail) WriteObjectList(fields, "children", Expect::kAppearance);
      return;
    }
    case S::kStringAppear: {
      WriteVersion("string", versions);
      ar_.WriteLong(fields.Int32("width", 0));
      ar_.WriteLong(fields.Int32("format", 0));
      uint8_t pad = ' ';
      if (const Json* p = fields.Find("pad")) {
        if (p->is_string()) {
          const std::string& text = p->get_ref<const std::string&>();
          if (text.size() != 1) throw JsonError(fields.PathOf("pad"), "expected one ASCII character or a byte value");
          pad = static_cast<uint8_t>(text[0]);
        } else {
          pad = static_cast<uint8_t>(IntegerIn(*p, fields.PathOf("pad"), 0, 255));
        }
      }
      ar_.WriteByte(pad);
      return;
    }
    case S::kText:
    case S::kString: {
      const char* key = segment == S::kText ? "text" : "value";
      const Json* text = fields.Find(key);
      WriteStringJson(ar_, text ? *text : Json(""), fields.PathOf(key));
      return;
    }
    case S::kExpression: WriteExpression(fields, "expression", ""); return;
    case S::kBox: ar_.WriteLong(fields.Int32("pen_width", 1)); return;
    case S::kBoxFill: ar_.WriteDword(fields.Colour("fill_colour", 0)); return;
    case S::kBool: {
      const Json* value = fields.Find("value");
      uint8_t b = 0;
      if (value && value->is_boolean()) b = value->get<bool>() ? 1 : 0;
      else if (value) b = static_cast<uint8_t>(IntegerIn(*value, fields.PathOf("value"), 0, 255));
      ar_.WriteByte(b);
      return;
    }
    case S::kInt: ar_.WriteLong(fields.Int32("value", 0)); return;
    case S::kDouble: {
      const Json* value = fields.Find("value");
      ar_.WriteDouble(value ? DoubleFrom(*value, fields.PathOf("value")) : 0.0);
      return;
    }
    case S::kInt64: ar_.WriteInt64(fields.Int64("value", 0)); return;
    case S::kRefTarget: {
      const Json* target = fields.Find("target");
      WriteObject(target ? *target : Json(nullptr), fields.PathOf("target"), Expect::kValue);
      return;
    }
    case S::kElements:
      WriteVersion("array", versions);
      WriteObjectList(fields, "elements", Expect::kValue);
      return;
    case S::kPlace: WriteVersion("place", versions); return;
    case S::kRandom: {
      ar_.WriteDword(fields.Uint32("seed_low", 0));
      ar_.WriteDword(fields.Uint32("seed_high", 0));
      const Json* cached = fields.Find("cached_gaussian");
      ar_.WriteDouble(cached ? DoubleFrom(*cached, fields.PathOf("cached_gaussian")) : 0.0);
      const Json* has = fields.Find("has_cached_gaussian");
      uint8_t b = 0;
      if (has && has->is_boolean()) b = has->get<bool>() ? 1 : 0;
      else if (has) b = static_cast<uint8_t>(IntegerIn(*has, fields.PathOf("has_cached_gaussian"), 0, 255));
      ar_.WriteByte(b);
      return;
    }
    case S::kLogFont: {
      uint8_t face[kFaceSize] = {};
      const Json* text = fields.Find("face");
      const Json* hex = fields.Find("face_hex");
      if (text && hex) throw JsonError(fields.Path(), "give \"face\" or \"face_hex\", not both");
      if (hex) {
        std::vector<uint8_t> bytes = HexToBytes(*hex, fields.PathOf("face_hex"));
        if (bytes.size() != kFaceSize) throw JsonError(fields.PathOf("face_hex"), "expected 32 bytes");
        std::memcpy(face, bytes.data(), kFaceSize);
      } else if (text) {
        if (!text->is_string()) throw JsonError(fields.PathOf("face"), "expected a string");
        std::string sjis = Utf8ToSjisChecked(text->get<std::string>(), fields.PathOf("face"));
        if (sjis.size() > kFaceSize || sjis.find('\0') != std::string::npos) {
          throw JsonError(fields.PathOf("face"), "a face name holds at most 32 Shift-JIS bytes and no NUL");
        }
        std::memcpy(face, sjis.data(), sjis.size());
      }
      for (const char* key : kFontLongs) ar_.WriteLong(fields.Int32(key, 0));
      for (const char* key : kFontBytes) ar_.WriteByte(fields.Byte(key, 0));
      ar_.WriteBytes(face, kFaceSize);
      return;
    }
    default: WriteDungeonSegment(segment, fields, versions); return;
  }
}

}  // namespace tav::tools
