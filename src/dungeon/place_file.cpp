#include "dungeon/place_file.h"

#include <new>

#include "archive/archive.h"
#include "dungeon/dungeon_classes.h"

namespace tav::dungeon {

script::VarRef LoadPlaceBytes(std::vector<uint8_t> bytes, std::string& error) {
  RegisterDungeonClasses();
  try {
    archive::Archive ar = archive::Archive::ForReading(std::move(bytes));
    return script::VarRef::Adopt(ar.ReadObjectAs<script::TOL_Var>());
  } catch (const archive::ArchiveError& e) {
    error = e.what();
  } catch (const std::bad_alloc&) {
    error = "place: out of memory while reading";
  }
  return nullptr;
}

std::vector<uint8_t> StorePlaceBytes(script::TOL_Var& place) {
  archive::Archive ar = archive::Archive::ForWriting();
  ar.WriteObject(&place);
  return ar.Bytes();
}

}  // namespace tav::dungeon
