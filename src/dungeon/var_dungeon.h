// TOL_VarDungeon: a stack of fields in the order of the place file; each is found by its floor
// number. The dungeon holds one count on each field. A slot may be empty.
#pragma once

#include <vector>

#include "dungeon/var_field.h"
#include "script/objects/var_place.h"

namespace tav::dungeon {

class TOL_VarDungeon : public script::TOL_VarPlace {
  TOL_DECLARE_CLASS(TOL_VarDungeon)
 public:
  using FieldList = std::vector<script::Ref<TOL_VarField>>;

  TOL_VarDungeon() = default;

  const FieldList& Fields() const { return fields_; }
  void AddField(script::Ref<TOL_VarField> field) { fields_.push_back(std::move(field)); }
  // Index of the first field with that floor number, or -1.
  int IndexOfFloor(int32_t floor) const;
  // GETNEXTFIELD: the field `step` slots after the one with `floor`; with `wrap` the index runs
  // round the ends, without it a step past either end finds nothing.
  TOL_VarField* NextField(int32_t floor, int32_t step, bool wrap) const;

  // The dungeon table, then the members and the base object.
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
  // The place part; a version word 1; the fields as an object array (empty slots allowed).
  void Serialize(archive::Archive& ar) override;

 private:
  FieldList fields_;
};

int DungeonMethodTableId();
void DefineDungeonMethods();

}  // namespace tav::dungeon
