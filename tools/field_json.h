// The blocks of a field as JSON. Where it can be, a field is drawn as a map of text lines, two
// per row of cells plus a closing line:
//
//   "+---+---+"     a corner and the north threshold of each cell (3 characters),
//   "| E .   |"     the west threshold of each cell (1 character) and its cell data (3),
//   "+---+---+"     ...and, last, the north edge of row 0 again: the field wraps around.
//
// The last column repeats the west edge of column 0 for the same reason. The marks are in
// kThresholdMarks; cell data is listed under "cells" and marked in the map by its kind's letter.
// Thresholds hold no data, so the map shows them whole except for which blocks share one
// object: "thresholds": "separate" makes every mark a new object, "shared" makes every mark
// refer back to the latest object of its kind (the first one is new), and
// "threshold_exceptions" lists the marks that do otherwise ({"new": true}, or {"same_as":
// {"x", "y", "side"[, "field"]}} naming where the object was written first; "field" counts the
// fields of the file from 0 in the order they are stored).
//
// A file that refers to a threshold in the long form of a reference cannot be drawn; its fields
// list their blocks instead: "blocks": [{"north", "west", "data"}, ...] in row-major order, each
// an object reference (absent for none).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "object_json.h"

namespace tav::tools {

// What the dump says about the marks, for people; a build ignores it.
extern const char* const kMapLegend;

class FieldArtReader {
 public:
  // Reads the x × y blocks at the archive's position into `out` (map, thresholds, cells).
  void Read(ObjectReader& reader, int32_t xLength, int32_t yLength, Json& out);

 private:
  struct Target {
    int32_t field, x, y;
    const char* side;
  };
  int32_t fields_ = 0;                       // fields read so far
  std::map<std::string, uint32_t> current_;  // class -> id of its latest new object (0: no id)
  std::map<uint32_t, Target> targets_;       // threshold id -> where it was written
  std::map<uint32_t, std::string> classOf_;  // id -> class, for blocks' objects
};

class FieldArtWriter {
 public:
  // Writes the x × y blocks of the field whose JSON is `fields`.
  void Write(ObjectWriter& writer, Fields& fields, int32_t xLength, int32_t yLength);
  // A field whose blocks are listed: it counts, but nothing in it can be named by same_as.
  void Skip(int32_t xLength);

 private:
  int32_t fields_ = 0;
  std::map<std::string, uint32_t> current_;       // class -> index of its latest new object
  std::vector<std::vector<uint32_t>> positions_;  // per field, per block × 2 + side: the index
  std::vector<int32_t> widths_;                   // per field: its x length
  std::map<uint32_t, std::string> classOf_;       // threshold index -> class
};

}  // namespace tav::tools
