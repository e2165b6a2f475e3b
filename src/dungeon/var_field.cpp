#include "dungeon/var_field.h"

#include <string>

#include "archive/archive.h"
#include "script/core/method_table.h"

namespace tav::dungeon {

TOL_IMPLEMENT_CLASS(TOL_VarField)

namespace {

// Reduced into 0 ≤ v < length (length > 0), negative values included.
int64_t Modulo(int64_t v, int64_t length) {
  int64_t r = v % length;
  return r < 0 ? r + length : r;
}

bool SizeAllowed(int32_t xLength, int32_t yLength) {
  return xLength >= 0 && yLength >= 0 && int64_t{xLength} * yLength <= TOL_VarField::kMaxBlocks;
}

}  // namespace

bool TOL_VarField::Recreate(int32_t xLength, int32_t yLength, int32_t floor) {
  if (!SizeAllowed(xLength, yLength)) return false;
  std::vector<TOL_Block> blocks(static_cast<size_t>(int64_t{xLength} * yLength));
  blocks_ = std::move(blocks);
  xLength_ = xLength;
  yLength_ = yLength;
  floor_ = floor;
  return true;
}

bool TOL_VarField::Wrap(int64_t& x, int64_t& y) const {
  if (blocks_.empty()) return false;
  x = Modulo(x, xLength_);
  y = Modulo(y, yLength_);
  return true;
}

TOL_Block* TOL_VarField::BlockAt(int64_t x, int64_t y) {
  if (!Wrap(x, y)) return nullptr;
  return &blocks_[static_cast<size_t>(x + int64_t{xLength_} * y)];
}

TOL_Threshold* TOL_VarField::ThresholdAt(CellPos cell, int32_t d) const {
  // East and south are the west and north sides of the neighbour, reached the way C's 32-bit
  // arithmetic reaches it.
  switch (d) {
    case kNorth:
      if (const TOL_Block* b = BlockAt(cell.x, cell.y)) return b->north.get();
      return nullptr;
    case kWest:
      if (const TOL_Block* b = BlockAt(cell.x, cell.y)) return b->west.get();
      return nullptr;
    case kEast: {
      CellPos next = cell.Moved(kEast);
      if (const TOL_Block* b = BlockAt(next.x, next.y)) return b->west.get();
      return nullptr;
    }
    case kSouth: {
      CellPos next = cell.Moved(kSouth);
      if (const TOL_Block* b = BlockAt(next.x, next.y)) return b->north.get();
      return nullptr;
    }
    default:
      return nullptr;
  }
}

int32_t TOL_VarField::GetPassRule(CellPos cell, int32_t d) const {
  const TOL_Threshold* t = ThresholdAt(cell, d);
  return t ? t->GetPassRule(d) : 0;
}

int32_t TOL_VarField::GetThreshView(CellPos cell, int32_t d) const {
  const TOL_Threshold* t = ThresholdAt(cell, d);
  return t ? t->GetView(d) : 0;
}

TOL_Lay* TOL_VarField::CellData(CellPos cell) const {
  const TOL_Block* b = BlockAt(cell.x, cell.y);
  return b ? b->data.get() : nullptr;
}

void TOL_VarField::SetThreshold(CellPos cell, int32_t d, PartRef<TOL_Threshold> threshold) {
  CellPos owner = (d == kEast || d == kSouth) ? cell.Moved(d) : cell;
  TOL_Block* b = BlockAt(owner.x, owner.y);
  if (!b) return;
  if (d == kNorth || d == kSouth) b->north = std::move(threshold);
  if (d == kWest || d == kEast) b->west = std::move(threshold);
}

void TOL_VarField::SetCellData(CellPos cell, PartRef<TOL_Lay> data) {
  if (TOL_Block* b = BlockAt(cell.x, cell.y)) b->data = std::move(data);
}

script::TOL_Var* TOL_VarField::FindMember(script::Atom name) {
  if (script::TOL_Var* method = script::MethodTable::Get(FieldMethodTableId()).Find(name)) return method;
  return TOL_VarObject::FindMember(name);
}

void TOL_VarField::Serialize(archive::Archive& ar) {
  TOL_VarPlace::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    ar.WriteLong(xLength_);
    ar.WriteLong(yLength_);
    ar.WriteLong(floor_);
    for (const TOL_Block& b : blocks_) {
      ar.WriteObject(b.north.get());
      ar.WriteObject(b.west.get());
      ar.WriteObject(b.data.get());
    }
    return;
  }
  ar.ReadWord();
  const size_t sizeOffset = ar.Position();
  const int32_t xLength = ar.ReadLong();
  const int32_t yLength = ar.ReadLong();
  const int32_t floor = ar.ReadLong();
  if (!SizeAllowed(xLength, yLength)) {
    throw archive::ArchiveError("field: size " + std::to_string(xLength) + " x " + std::to_string(yLength) +
                                " is negative or too large at byte offset " + std::to_string(sizeOffset));
  }
  const int64_t count = int64_t{xLength} * yLength;
  ar.RequireRemaining(static_cast<uint64_t>(count) * 6);  // three references of at least a WORD each
  // The old blocks go only once the new ones are read, so a field that fails to load is unchanged.
  std::vector<TOL_Block> blocks(static_cast<size_t>(count));
  for (TOL_Block& b : blocks) {
    b.north = PartRef<TOL_Threshold>::Adopt(ar.ReadObjectAs<TOL_Threshold>());
    b.west = PartRef<TOL_Threshold>::Adopt(ar.ReadObjectAs<TOL_Threshold>());
    b.data = PartRef<TOL_Lay>::Adopt(ar.ReadObjectAs<TOL_Lay>());
  }
  blocks_ = std::move(blocks);
  xLength_ = xLength;
  yLength_ = yLength;
  floor_ = floor;
}

}  // namespace tav::dungeon
