#include "field_json.h"

#include <cstring>

namespace tav::tools {

const char* const kMapLegend =
    "two lines per row: '+' and each cell's north threshold, then each cell's west threshold and "
    "cell data; the last line and column repeat the first (the field wraps). Thresholds, north / "
    "west: '   ' ' ' none, ' . ' '.' TOL_Threshold, '---' '|' TOL_Wall, '-D-' 'D' TOL_Door, "
    "'-S-' 'S' TOL_WallDoor (a wall one walks through), ' ^ ' '<' TOL_OneAwayWall (crossed "
    "northwards / westwards only, unseen from that side), '-^-' '{' TOL_OneAwayBothWall, "
    "'D^D' '[' TOL_OneAwayDoor, ' v ' '>' TOL_OneAwayRevWall (crossed southwards / eastwards "
    "only), '-v-' '}' TOL_OneAwayRevBothWall, 'DvD' ']' TOL_OneAwayRevDoor. Cell data: ' L ' "
    "TOL_Lay, ' E ' TOL_EventLay, ' R ' TOL_RecordLay, listed under \"cells\".";

namespace {

struct ThresholdMark {
  const char* name;
  const char* north;  // 3 characters
  char west;
};

const ThresholdMark kThresholdMarks[] = {
    {"TOL_Threshold", " . ", '.'},         {"TOL_Wall", "---", '|'},
    {"TOL_Door", "-D-", 'D'},              {"TOL_WallDoor", "-S-", 'S'},
    {"TOL_OneAwayWall", " ^ ", '<'},       {"TOL_OneAwayBothWall", "-^-", '{'},
    {"TOL_OneAwayDoor", "D^D", '['},       {"TOL_OneAwayRevWall", " v ", '>'},
    {"TOL_OneAwayRevBothWall", "-v-", '}'}, {"TOL_OneAwayRevDoor", "DvD", ']'},
};

struct CellMark {
  const char* name;
  char letter;
};

const CellMark kCellMarks[] = {{"TOL_Lay", 'L'}, {"TOL_EventLay", 'E'}, {"TOL_RecordLay", 'R'}};

const ThresholdMark* MarkOf(const std::string& name) {
  for (const ThresholdMark& mark : kThresholdMarks) {
    if (name == mark.name) return &mark;
  }
  return nullptr;
}

char LetterOf(const std::string& name) {
  for (const CellMark& mark : kCellMarks) {
    if (name == mark.name) return mark.letter;
  }
  return '?';
}

const char* const kSides[2] = {"north", "west"};

// A threshold or cell-data reference as read: none, a new object or a back-reference.
struct Slot {
  bool present = false;
  bool isNew = false;
  std::string cls;
  uint32_t id = 0;  // the new object's id (0 when nothing refers to it) or the referenced id
};

Slot SlotOf(const Json& json, const std::map<uint32_t, std::string>& classOf) {
  Slot slot;
  if (json.is_null()) return slot;
  slot.present = true;
  if (json.contains("ref")) {
    slot.id = json["ref"].get<uint32_t>();
    auto it = classOf.find(slot.id);
    slot.cls = it == classOf.end() ? "" : it->second;
    return slot;
  }
  slot.isNew = true;
  slot.cls = json["class"].get<std::string>();
  if (json.contains("id")) slot.id = json["id"].get<uint32_t>();
  return slot;
}

size_t BlockCount(int32_t xLength, int32_t yLength) {
  return static_cast<size_t>(int64_t{xLength} * yLength);
}

}  // namespace

// ---- reading ----------------------------------------------------------------------------

void ObjectReader::ReadFieldBlocks(Json& out) {
  const int32_t xLength = out["x_length"].get<int32_t>();
  const int32_t yLength = out["y_length"].get<int32_t>();
  const size_t offset = ar_.Position();
  if (xLength < 0 || yLength < 0 || uint64_t{BlockCount(xLength, yLength)} * 6 > ar_.Bytes().size() - offset) {
    throw DumpError(offset, "a field of " + std::to_string(xLength) + " x " + std::to_string(yLength) +
                                " blocks, more than the file holds,");
  }
  if (BlockCount(xLength, yLength) == 0) return;
  if (fieldArt_) {
    if (!art_) art_ = std::make_unique<FieldArtReader>();
    art_->Read(*this, xLength, yLength, out);
    return;
  }
  Json blocks = Json::array();
  for (size_t i = 0; i < BlockCount(xLength, yLength); ++i) {
    Json block = Json::object();
    for (const char* key : {"north", "west", "data"}) {
      Json value = ReadObject();
      if (std::strcmp(key, "data") != 0 && value.is_object() && value.contains("wide")) longThresholdRef_ = true;
      if (!value.is_null()) block[key] = std::move(value);
    }
    blocks.push_back(std::move(block));
  }
  out["blocks"] = std::move(blocks);
}

void FieldArtReader::Read(ObjectReader& reader, int32_t xLength, int32_t yLength, Json& out) {
  const int32_t field = fields_++;
  const size_t width = static_cast<size_t>(xLength) * 4 + 1;
  std::vector<std::string> lines(static_cast<size_t>(yLength) * 2 + 1, std::string(width, ' '));
  Json cells = Json::array();
  Json exceptions[2] = {Json::array(), Json::array()};  // by mode: separate, shared

  for (int32_t y = 0; y < yLength; ++y) {
    std::string& edges = lines[static_cast<size_t>(y) * 2];
    std::string& middle = lines[static_cast<size_t>(y) * 2 + 1];
    for (int32_t x = 0; x < xLength; ++x) {
      const size_t column = static_cast<size_t>(x) * 4;
      edges[column] = '+';
      for (int side = 0; side < 2; ++side) {
        size_t offset = reader.ar_.Position();
        Slot slot = SlotOf(reader.ReadObject(), classOf_);
        if (!slot.present) continue;
        const ThresholdMark* mark = MarkOf(slot.cls);
        if (!mark) throw DumpError(offset, "a block's threshold of class '" + slot.cls + "'");
        if (side == 0) edges.replace(column + 1, 3, mark->north);
        else middle[column] = mark->west;

        Json at = Json::object();
        at["x"] = x;
        at["y"] = y;
        at["side"] = kSides[side];
        auto current = current_.find(slot.cls);
        if (slot.isNew) {
          if (current != current_.end()) {
            Json exception = at;
            exception["new"] = true;
            exceptions[1].push_back(std::move(exception));
          }
          current_[slot.cls] = slot.id;
          if (slot.id != 0) {
            targets_[slot.id] = Target{field, x, y, kSides[side]};
            classOf_[slot.id] = slot.cls;
          }
          continue;
        }
        const Target& target = targets_.at(slot.id);
        Json sameAs = Json::object();
        if (target.field != field) sameAs["field"] = target.field;
        sameAs["x"] = target.x;
        sameAs["y"] = target.y;
        sameAs["side"] = target.side;
        Json exception = at;
        exception["same_as"] = sameAs;
        exceptions[0].push_back(exception);
        if (current == current_.end() || current->second != slot.id) exceptions[1].push_back(exception);
      }
      size_t offset = reader.ar_.Position();
      Json data = reader.ReadObject();
      if (data.is_null()) continue;
      Slot slot = SlotOf(data, classOf_);
      char letter = LetterOf(slot.cls);
      if (letter == '?') throw DumpError(offset, "cell data of class '" + slot.cls + "'");
      if (slot.isNew && slot.id != 0) classOf_[slot.id] = slot.cls;
      middle[column + 2] = letter;
      Json cell = Json::object();
      cell["x"] = x;
      cell["y"] = y;
      cell["data"] = std::move(data);
      cells.push_back(std::move(cell));
    }
    edges[width - 1] = '+';
    middle[width - 1] = middle[0];
  }
  lines.back() = lines.front();

  out["map"] = lines;
  const bool shared = exceptions[1].size() < exceptions[0].size();
  out["thresholds"] = shared ? "shared" : "separate";
  if (!exceptions[shared].empty()) out["threshold_exceptions"] = std::move(exceptions[shared]);
  if (!cells.empty()) out["cells"] = std::move(cells);
}

// ---- writing ----------------------------------------------------------------------------

namespace {

struct MapGrid {
  std::vector<const ThresholdMark*> marks;  // per block × 2 + side; null for none
  std::vector<char> letters;                // per block: the cell-data mark or ' '
};

const ThresholdMark* ParseNorth(const std::string& text, const std::string& path, size_t column) {
  if (text == "   ") return nullptr;
  for (const ThresholdMark& mark : kThresholdMarks) {
    if (text == mark.north) return &mark;
  }
  throw JsonError(path, "unknown north threshold mark '" + text + "' at column " + std::to_string(column));
}

const ThresholdMark* ParseWest(char c, const std::string& path, size_t column) {
  if (c == ' ') return nullptr;
  for (const ThresholdMark& mark : kThresholdMarks) {
    if (c == mark.west) return &mark;
  }
  throw JsonError(path, std::string("unknown west threshold mark '") + c + "' at column " + std::to_string(column));
}

MapGrid ParseMap(const Json& map, const std::string& path, int32_t xLength, int32_t yLength) {
  const size_t width = static_cast<size_t>(xLength) * 4 + 1;
  const size_t height = static_cast<size_t>(yLength) * 2 + 1;
  if (!map.is_array() || map.size() != height) {
    throw JsonError(path, "expected " + std::to_string(height) + " lines (two per row and a closing line)");
  }
  std::vector<std::string> lines;
  for (size_t i = 0; i < height; ++i) {
    std::string linePath = JoinPath(path, i);
    if (!map[i].is_string() || map[i].get_ref<const std::string&>().size() != width) {
      throw JsonError(linePath, "expected a line of " + std::to_string(width) + " characters");
    }
    lines.push_back(map[i].get<std::string>());
    if (i % 2 == 1) continue;
    for (size_t column = 0; column < width; column += 4) {
      if (lines[i][column] != '+' && lines[i][column] != ' ') {
        throw JsonError(linePath, "expected '+' or ' ' at corner column " + std::to_string(column));
      }
    }
  }
  if (lines.back().substr(1, width - 2) != lines.front().substr(1, width - 2)) {
    throw JsonError(JoinPath(path, height - 1), "the closing line must repeat the first (the field wraps)");
  }
  MapGrid grid;
  const size_t blocks = BlockCount(xLength, yLength);
  grid.marks.resize(blocks * 2);
  grid.letters.resize(blocks);
  for (size_t y = 0; y < static_cast<size_t>(yLength); ++y) {
    const std::string& edges = lines[y * 2];
    const std::string& middle = lines[y * 2 + 1];
    const std::string edgesPath = JoinPath(path, y * 2), middlePath = JoinPath(path, y * 2 + 1);
    if (middle[width - 1] != middle[0]) {
      throw JsonError(middlePath, "the last column must repeat the west edge of the first (the field wraps)");
    }
    for (size_t x = 0; x < static_cast<size_t>(xLength); ++x) {
      const size_t column = x * 4, block = x + static_cast<size_t>(xLength) * y;
      grid.marks[block * 2] = ParseNorth(edges.substr(column + 1, 3), edgesPath, column + 1);
      grid.marks[block * 2 + 1] = ParseWest(middle[column], middlePath, column);
      const std::string inside = middle.substr(column + 1, 3);
      char letter = inside[1];
      if (inside[0] != ' ' || inside[2] != ' ' || std::strchr(" LER", letter) == nullptr || letter == '\0') {
        throw JsonError(middlePath, "expected ' L ', ' E ', ' R ' or blanks for the cell data at column " +
                                        std::to_string(column + 1));
      }
      grid.letters[block] = letter;
    }
  }
  return grid;
}

int32_t CoordinateIn(Fields& fields, const char* key, int32_t length) {
  const Json* value = fields.Find(key);
  if (!value) throw JsonError(fields.Path(), std::string("needs \"") + key + "\"");
  return static_cast<int32_t>(IntegerIn(*value, fields.PathOf(key), 0, int64_t{length} - 1));
}

int SideIn(Fields& fields) {
  const Json* side = fields.Find("side");
  if (side && *side == "north") return 0;
  if (side && *side == "west") return 1;
  throw JsonError(fields.PathOf("side"), "expected \"north\" or \"west\"");
}

}  // namespace

void ObjectWriter::WriteFieldBlocks(Fields& fields, int32_t xLength, int32_t yLength) {
  const size_t count = BlockCount(xLength, yLength);
  const Json* map = fields.Find("map");
  const Json* blocks = fields.Find("blocks");
  if (map && blocks) throw JsonError(fields.Path(), "give \"map\" or \"blocks\", not both");
  if (map || !blocks) {
    if (!art_) art_ = std::make_unique<FieldArtWriter>();
    art_->Write(*this, fields, xLength, yLength);
    return;
  }
  if (!art_) art_ = std::make_unique<FieldArtWriter>();
  art_->Skip(xLength);  // same_as counts this field too
  std::string path = fields.PathOf("blocks");
  if (!blocks->is_array() || blocks->size() != count) {
    throw JsonError(path, "expected an array of " + std::to_string(count) + " blocks (x length × y length)");
  }
  for (size_t i = 0; i < count; ++i) {
    Fields block((*blocks)[i], JoinPath(path, i));
    for (const char* key : {"north", "west", "data"}) {
      const Json* value = block.Find(key);
      Expect expect = std::strcmp(key, "data") == 0 ? Expect::kCellData : Expect::kThreshold;
      WriteObject(value ? *value : Json(nullptr), block.PathOf(key), expect);
    }
    block.Finish();
  }
}

void FieldArtWriter::Skip(int32_t xLength) {
  ++fields_;
  widths_.push_back(xLength);
  positions_.emplace_back();
}

void FieldArtWriter::Write(ObjectWriter& writer, Fields& fields, int32_t xLength, int32_t yLength) {
  const int32_t field = fields_++;
  widths_.push_back(xLength);
  const size_t count = BlockCount(xLength, yLength);
  const Json* map = fields.Find("map");
  const Json* mode = fields.Find("thresholds");
  const Json* exceptionList = fields.Find("threshold_exceptions");
  const Json* cellList = fields.Find("cells");
  if (!map) {
    if (count != 0) throw JsonError(fields.Path(), "a field with blocks needs \"map\" (or \"blocks\")");
    if ((exceptionList && !exceptionList->empty()) || (cellList && !cellList->empty())) {
      throw JsonError(fields.Path(), "a field without blocks has no thresholds or cells");
    }
    positions_.emplace_back();
    return;
  }
  if (count == 0) throw JsonError(fields.PathOf("map"), "a field of size 0 has no map");
  MapGrid grid = ParseMap(*map, fields.PathOf("map"), xLength, yLength);
  bool shared = false;
  if (mode) {
    if (*mode == "shared") shared = true;
    else if (*mode != "separate") throw JsonError(fields.PathOf("thresholds"), "expected \"separate\" or \"shared\"");
  }

  // The exceptions and cells by block, each at most once.
  std::map<size_t, std::pair<const Json*, std::string>> exceptions;  // block × 2 + side
  if (exceptionList) {
    std::string path = fields.PathOf("threshold_exceptions");
    if (!exceptionList->is_array()) throw JsonError(path, "expected an array");
    for (size_t i = 0; i < exceptionList->size(); ++i) {
      std::string itemPath = JoinPath(path, i);
      Fields item((*exceptionList)[i], itemPath);
      int32_t x = CoordinateIn(item, "x", xLength), y = CoordinateIn(item, "y", yLength);
      size_t slot = (static_cast<size_t>(x) + static_cast<size_t>(xLength) * y) * 2 + SideIn(item);
      if (!grid.marks[slot]) throw JsonError(itemPath, "the map shows no threshold there");
      if (!exceptions.emplace(slot, std::make_pair(&(*exceptionList)[i], itemPath)).second) {
        throw JsonError(itemPath, "a second exception for the same threshold");
      }
      item.Find("new");
      item.Find("same_as");
    }
  }
  std::map<size_t, std::pair<const Json*, std::string>> cells;
  if (cellList) {
    std::string path = fields.PathOf("cells");
    if (!cellList->is_array()) throw JsonError(path, "expected an array");
    for (size_t i = 0; i < cellList->size(); ++i) {
      std::string itemPath = JoinPath(path, i);
      Fields item((*cellList)[i], itemPath);
      int32_t x = CoordinateIn(item, "x", xLength), y = CoordinateIn(item, "y", yLength);
      const Json* data = item.Find("data");
      if (!data || data->is_null()) throw JsonError(itemPath, "a cell needs \"data\"");
      item.Finish();
      size_t block = static_cast<size_t>(x) + static_cast<size_t>(xLength) * y;
      if (grid.letters[block] == ' ') throw JsonError(itemPath, "the map marks no cell data there");
      if (!cells.emplace(block, std::make_pair(data, JoinPath(itemPath, "data"))).second) {
        throw JsonError(itemPath, "a second entry for the same cell");
      }
    }
  }

  std::vector<uint32_t>& positions = positions_.emplace_back(count * 2, 0);
  for (size_t block = 0; block < count; ++block) {
    for (int side = 0; side < 2; ++side) {
      const size_t slot = block * 2 + side;
      const ThresholdMark* mark = grid.marks[slot];
      if (!mark) {
        writer.WriteObject(nullptr, fields.PathOf("map"), Expect::kThreshold);
        continue;
      }
      uint32_t target = 0;  // 0: a new object
      if (shared) {
        if (auto it = current_.find(mark->name); it != current_.end()) target = it->second;
      }
      if (auto it = exceptions.find(slot); it != exceptions.end()) {
        Fields item(*it->second.first, it->second.second);
        const Json* isNew = item.Find("new");
        const Json* sameAs = item.Find("same_as");
        for (const char* checked : {"x", "y", "side"}) item.Find(checked);  // read when listed
        item.Finish();
        if ((isNew != nullptr) == (sameAs != nullptr)) {
          throw JsonError(item.Path(), "give \"new\": true or \"same_as\", one of them");
        }
        if (isNew) {
          if (*isNew != true) throw JsonError(item.PathOf("new"), "expected true");
          target = 0;
        } else {
          Fields where(*sameAs, item.PathOf("same_as"));
          int32_t targetField = field;
          if (const Json* f = where.Find("field")) {
            targetField = static_cast<int32_t>(IntegerIn(*f, where.PathOf("field"), 0, field));
          }
          const std::vector<uint32_t>& in = positions_[static_cast<size_t>(targetField)];
          const Json* x = where.Find("x");
          const Json* y = where.Find("y");
          if (!x || !y) throw JsonError(where.Path(), "needs \"x\" and \"y\"");
          int64_t tx = IntegerIn(*x, where.PathOf("x"), 0, INT32_MAX);
          int64_t ty = IntegerIn(*y, where.PathOf("y"), 0, INT32_MAX);
          int tside = SideIn(where);
          where.Finish();
          // The target field's width: its slots are in row-major order.
          int64_t targetWidth = widths_[static_cast<size_t>(targetField)];
          uint64_t targetSlot = (static_cast<uint64_t>(tx) + static_cast<uint64_t>(targetWidth) * ty) * 2 + tside;
          if (tx >= targetWidth || targetSlot >= in.size() || in[targetSlot] == 0 ||
              (targetField == field && targetSlot >= slot)) {
            throw JsonError(where.Path(), "no threshold is written there before this one");
          }
          target = in[targetSlot];
          if (classOf_[target] != mark->name) {
            throw JsonError(where.Path(), "names a " + classOf_[target] + " where the map shows a " + mark->name);
          }
        }
      }
      if (target != 0) {
        writer.WriteReference(target);
        positions[slot] = target;
        continue;
      }
      Json object = Json::object();
      object["class"] = mark->name;
      ObjectWriter::Written written = writer.WriteObject(object, fields.PathOf("map"), Expect::kThreshold);
      positions[slot] = written.index;
      current_[mark->name] = written.index;
      classOf_[written.index] = mark->name;
    }
    auto cell = cells.find(block);
    if (cell == cells.end()) {
      if (grid.letters[block] != ' ') {
        throw JsonError(fields.PathOf("cells"), "the map marks cell data at (" + std::to_string(block % xLength) +
                                                     ", " + std::to_string(block / xLength) + ") that is not listed");
      }
      writer.WriteObject(nullptr, fields.PathOf("cells"), Expect::kCellData);
      continue;
    }
    ObjectWriter::Written written = writer.WriteObject(*cell->second.first, cell->second.second, Expect::kCellData);
    if (LetterOf(written.layout->name) != grid.letters[block]) {
      throw JsonError(cell->second.second, std::string("a ") + written.layout->name + " where the map shows '" +
                                               grid.letters[block] + "'");
    }
  }
}

}  // namespace tav::tools
