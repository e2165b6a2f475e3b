// Object references: tags, class records, ids and back-references, in both directions.

#include "object_json.h"

#include "field_json.h"

namespace tav::tools {
namespace {

constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kBigTag = 0x7FFF;
constexpr uint32_t kClassBit = 0x80000000;
constexpr uint32_t kMaxIndex = 0x7FFFFFFE;
// The engine's reader refuses deeper nesting; so do we, in both directions.
constexpr unsigned kMaxDepth = archive::Archive::kDefaultMaxDepth;

class DepthGuard {
 public:
  explicit DepthGuard(unsigned& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  unsigned& depth_;
};

bool Accepts(Expect expect, const ClassLayout& layout) {
  switch (expect) {
    case Expect::kValue: return layout.family == Family::kValue;
    case Expect::kFont: return std::string_view(layout.name) == "TOL_Font";
    case Expect::kAppearance: return layout.appearance;
    case Expect::kField: return std::string_view(layout.name) == "TOL_VarField";
    case Expect::kThreshold: return layout.family == Family::kThreshold;
    case Expect::kCellData: return layout.family == Family::kCellData;
  }
  return false;
}

const char* ExpectName(Expect expect) {
  switch (expect) {
    case Expect::kValue: return "a script value";
    case Expect::kFont: return "a TOL_Font";
    case Expect::kAppearance: return "an appearance";
    case Expect::kField: return "a TOL_VarField";
    case Expect::kThreshold: return "a threshold";
    case Expect::kCellData: return "cell data";
  }
  return "";
}

}  // namespace

// ---- reading ----------------------------------------------------------------------------

ObjectReader::ObjectReader(archive::Archive& ar, const std::set<uint32_t>* referenced, bool fieldArt)
    : ar_(ar), referenced_(referenced), fieldArt_(fieldArt) {}

ObjectReader::~ObjectReader() = default;

Json ObjectReader::ReadObject() {
  size_t offset = ar_.Position();
  uint16_t word = ar_.ReadWord();
  bool wide = word == kBigTag;
  uint32_t tag = wide ? ar_.ReadDword() : ((static_cast<uint32_t>(word & 0x8000) << 16) | (word & 0x7FFF));

  if ((tag & kClassBit) == 0) {
    if (tag == 0) {
      if (wide) throw DumpError(offset, "a null reference in the long form, which tavtool does not keep,");
      return nullptr;
    }
    if (tag >= isObject_.size() || !isObject_[tag]) {
      throw DumpError(offset, "index " + std::to_string(tag) + " does not name an object read before");
    }
    seen_.insert(tag);
    Json ref = Json::object();
    ref["ref"] = tag;
    if (wide && tag < kBigTag) ref["wide"] = true;
    return ref;
  }

  std::string name;
  if (word == kNewClassTag) {
    uint16_t schema = ar_.ReadWord();
    uint16_t length = ar_.ReadWord();
    if (length > 63) throw DumpError(offset, "class name of " + std::to_string(length) + " bytes");
    name.resize(length);
    ar_.ReadBytes(name.data(), length);
    if (schema != 1) throw DumpError(offset, "class '" + name + "' with schema " + std::to_string(schema));
    if (classes_.count(name)) {
      throw DumpError(offset, "a second record of class '" + name + "' (a form tavtool does not keep)");
    }
    if (isObject_.size() > kMaxIndex) throw DumpError(offset, "too many objects");
    classes_[name] = static_cast<uint32_t>(isObject_.size());
    isObject_.push_back(false);
  } else {
    uint32_t index = tag & ~kClassBit;
    auto it = classes_.begin();
    for (; it != classes_.end() && it->second != index; ++it) {
    }
    if (it == classes_.end()) throw DumpError(offset, "class index " + std::to_string(index) + " not recorded before");
    if (wide != (index >= kBigTag)) throw DumpError(offset, "a class tag in a form tavtool does not keep");
    name = it->first;
  }
  const ClassLayout* layout = FindLayout(name);
  if (!layout) throw DumpError(offset, "class '" + name + "', which tavtool cannot show,");
  if (depth_ >= kMaxDepth) throw DumpError(offset, "objects nested more than " + std::to_string(kMaxDepth) + " deep");
  DepthGuard guard(depth_);

  uint32_t index = static_cast<uint32_t>(isObject_.size());
  isObject_.push_back(true);
  Json out = Json::object();
  out["class"] = name;
  if (referenced_ && referenced_->count(index)) out["id"] = index;
  ReadSegments(layout->segments, out);
  return out;
}

// ---- writing ----------------------------------------------------------------------------

ObjectWriter::ObjectWriter(archive::Archive& ar) : ar_(ar) {}

ObjectWriter::~ObjectWriter() = default;

void ObjectWriter::WriteReference(uint32_t index) {
  if (index < kBigTag) {
    ar_.WriteWord(static_cast<uint16_t>(index));
  } else {
    ar_.WriteWord(kBigTag);
    ar_.WriteDword(index);
  }
}

uint32_t ObjectWriter::TakeIndex(const std::string& path) {
  if (next_ > kMaxIndex) throw JsonError(path, "too many objects for one archive");
  return next_++;
}

ObjectWriter::Written ObjectWriter::WriteObject(const Json& value, const std::string& path, Expect expect) {
  if (value.is_null()) {
    if (expect == Expect::kAppearance) throw JsonError(path, "a view's child cannot be null");
    ar_.WriteWord(0);
    return {0, nullptr};
  }
  if (!value.is_object()) {
    throw JsonError(path, "expected null, {\"class\": ...} or {\"ref\": ...}, found " + std::string(value.type_name()));
  }
  Fields fields(value, path);
  if (const Json* ref = fields.Find("ref")) {
    bool wide = fields.Bool("wide", false);
    fields.Finish();
    auto it = ids_.find(ref->dump());
    if (it == ids_.end()) {
      throw JsonError(fields.PathOf("ref"), "no object with id " + ref->dump() + " comes before this point");
    }
    if (!Accepts(expect, *it->second.layout)) {
      throw JsonError(path, std::string("refers to a ") + it->second.layout->name + " where " +
                                ExpectName(expect) + " is expected");
    }
    uint32_t index = it->second.index;
    if (wide || index >= kBigTag) {
      ar_.WriteWord(kBigTag);
      ar_.WriteDword(index);
    } else {
      ar_.WriteWord(static_cast<uint16_t>(index));
    }
    return it->second;
  }

  const Json* classJson = fields.Find("class");
  if (!classJson) throw JsonError(path, "an object needs \"class\" (or \"ref\" for one written before)");
  if (!classJson->is_string()) throw JsonError(fields.PathOf("class"), "expected a class name");
  const std::string& name = classJson->get_ref<const std::string&>();
  const ClassLayout* layout = FindLayout(name);
  if (!layout) throw JsonError(fields.PathOf("class"), "unknown class '" + name + "' (known: " + KnownClassNames() + ")");
  if (!Accepts(expect, *layout)) {
    throw JsonError(fields.PathOf("class"), "a " + name + " where " + ExpectName(expect) + " is expected");
  }
  if (depth_ >= kMaxDepth) throw JsonError(path, "objects nested more than " + std::to_string(kMaxDepth) + " deep");
  DepthGuard guard(depth_);

  if (auto it = classes_.find(name); it != classes_.end()) {
    if (it->second < kBigTag) {
      ar_.WriteWord(static_cast<uint16_t>(0x8000 | it->second));
    } else {
      ar_.WriteWord(kBigTag);
      ar_.WriteDword(kClassBit | it->second);
    }
  } else {
    ar_.WriteWord(kNewClassTag);
    ar_.WriteWord(1);
    ar_.WriteWord(static_cast<uint16_t>(name.size()));
    ar_.WriteBytes(name.data(), name.size());
    classes_[name] = TakeIndex(path);
  }
  uint32_t index = TakeIndex(path);
  if (const Json* id = fields.Find("id")) {
    if (!id->is_string() && !id->is_number_integer()) throw JsonError(fields.PathOf("id"), "expected a number or a string");
    if (!ids_.emplace(id->dump(), Written{index, layout}).second) {
      throw JsonError(fields.PathOf("id"), "id " + id->dump() + " is used twice");
    }
  }
  WriteSegments(layout->segments, fields);
  fields.Finish();
  return {index, layout};
}

}  // namespace tav::tools
