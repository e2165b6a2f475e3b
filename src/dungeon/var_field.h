// TOL_VarField: one floor of a dungeon, a grid of blocks that wraps around at its edges (a
// torus). Every block holds the thresholds on its north and west sides and optional cell data;
// the east side of a cell is the west threshold of its east neighbour, the south side the north
// threshold of its south neighbour.
//
// A field with no columns or no rows has no cells at all: every cell question answers as for a
// missing threshold or missing cell data (0, nothing), and the views draw nothing for it.
#pragma once

#include <cstdint>
#include <vector>

#include "dungeon/cell_data.h"
#include "dungeon/directions.h"
#include "dungeon/threshold.h"
#include "script/objects/var_place.h"

namespace tav::dungeon {

struct TOL_Block {
  PartRef<TOL_Threshold> north;
  PartRef<TOL_Threshold> west;
  PartRef<TOL_Lay> data;
};

class TOL_VarField : public script::TOL_VarPlace {
  TOL_DECLARE_CLASS(TOL_VarField)
 public:
  // More blocks than this are refused (from a place file or a re-creation).
  static constexpr int64_t kMaxBlocks = int64_t{1} << 24;

  TOL_VarField() = default;

  int32_t XLength() const { return xLength_; }
  int32_t YLength() const { return yLength_; }
  int32_t Floor() const { return floor_; }
  bool HasCells() const { return !blocks_.empty(); }

  // Destroys the old blocks and makes x × y empty ones. False, with nothing changed, for a
  // negative size or more than kMaxBlocks blocks.
  bool Recreate(int32_t xLength, int32_t yLength, int32_t floor);

  // The position reduced into 0 ≤ x < x length, 0 ≤ y < y length; false when there are no cells.
  bool Wrap(int64_t& x, int64_t& y) const;
  // The block at a position (wrapped), or none when the field has no cells.
  TOL_Block* BlockAt(int64_t x, int64_t y);
  const TOL_Block* BlockAt(int64_t x, int64_t y) const {
    return const_cast<TOL_VarField*>(this)->BlockAt(x, y);
  }
  // The threshold on side d of a cell, or none (no threshold there, d not a direction, no cells).
  TOL_Threshold* ThresholdAt(CellPos cell, int32_t d) const;
  // Cells answer as they are read by scripts: 0 where there is no threshold.
  int32_t GetPassRule(CellPos cell, int32_t d) const;
  int32_t GetThreshView(CellPos cell, int32_t d) const;
  TOL_Lay* CellData(CellPos cell) const;
  // Puts a threshold on side d of a cell (the neighbour's block when d is east or south).
  void SetThreshold(CellPos cell, int32_t d, PartRef<TOL_Threshold> threshold);
  void SetCellData(CellPos cell, PartRef<TOL_Lay> data);

  // The field table, then the members and the base object.
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
  // The place part; a version word 1; x length, y length, floor; then per block in row-major
  // order its north threshold, west threshold and cell data as object references.
  void Serialize(archive::Archive& ar) override;

 private:
  int32_t xLength_ = 0;
  int32_t yLength_ = 0;
  int32_t floor_ = 0;
  std::vector<TOL_Block> blocks_;
};

int FieldMethodTableId();
void DefineFieldMethods();

}  // namespace tav::dungeon
