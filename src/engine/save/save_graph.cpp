#include "engine/save/save_graph.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>

#include "engine/init_array.h"
#include "script/core/var_array.h"
#include "script/core/var_func.h"
#include "script/core/var_function.h"
#include "script/objects/var_int_ob_map.h"
#include "script/core/var_object.h"
#include "script/core/var_ref.h"

namespace tav::engine {
namespace {

using archive::ArchiveError;
using script::TOL_Var;
using script::TOL_VarIntObMap;
using script::TOL_VarObArray;
using script::TOL_VarObject;
using script::VarRef;

// How the base of one walked object is named.
enum BaseKind : uint8_t {
  kNoBase = 0,
  kTypeBase = 1,    // a type of the running game, by number
  kViewBase = 2,    // a stored view of the running game, by number
  kWalkedBase = 3,  // an object of the walk, by position
  kExtraBase = 4,   // an object stored for being a base, by position among those
};

constexpr uint8_t kMoreExtras = 1;
constexpr uint8_t kNoMoreExtras = 0;

// The containers whose members, elements and entries are exactly what their archive payload
// (plus the map entries stored here) brings back. Other classes derived from objects (views,
// windows, places) store their own fields and keep their own readings of a base.
TOL_VarObject* WalkedObject(TOL_Var* value) {
  const archive::ClassInfo* info = &value->GetRuntimeClass();
  if (info == &TOL_VarObject::kClassInfo || info == &TOL_VarObArray::kClassInfo ||
      info == &TAV_VarInitArray::kClassInfo || info == &TOL_VarIntObMap::kClassInfo) {
    return static_cast<TOL_VarObject*>(value);
  }
  return nullptr;
}

std::vector<std::pair<int32_t, TOL_Var*>> EntriesByKey(TOL_VarIntObMap* map) {
  auto entries = map->EntriesInHashOrder();
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return entries;
}

// Breadth first, members in member order, then elements in order or map entries by key: the
// same walk over the saved graph and over the graph just read lists the same objects in the
// same order. `onMap` runs when a map is reached, before its entries are followed (the writer
// stores them there, the reader reads them there).
class GraphWalk {
 public:
  explicit GraphWalk(std::function<void(TOL_VarIntObMap*)> onMap) : onMap_(std::move(onMap)) {}

  void From(TOL_Var* start) {
    std::deque<TOL_Var*> queue{start};
    while (!queue.empty()) {
      TOL_Var* value = queue.front();
      queue.pop_front();
      if (!value || !seen_.insert(value).second) continue;
      if (auto* ref = dynamic_cast<script::TOL_VarRef*>(value)) {
        queue.push_back(ref->Target());
        continue;
      }
      TOL_VarObject* object = WalkedObject(value);
      if (!object) continue;
      positions_.emplace(object, static_cast<uint32_t>(objects_.size()));
      objects_.push_back(object);
      for (const auto& entry : object->Members().Entries()) queue.push_back(entry.value.get());
      if (auto* map = dynamic_cast<TOL_VarIntObMap*>(object)) {
        onMap_(map);
        for (const auto& entry : EntriesByKey(map)) queue.push_back(entry.second);
      } else if (auto* array = dynamic_cast<TOL_VarObArray*>(object)) {
        for (int i = 0, n = array->GetCount(); i < n; ++i) queue.push_back(array->GetAt(i));
      }
    }
  }

  const std::vector<TOL_VarObject*>& Objects() const { return objects_; }
  const uint32_t* Position(TOL_VarObject* object) const {
    auto it = positions_.find(object);
    return it == positions_.end() ? nullptr : &it->second;
  }

 private:
  std::function<void(TOL_VarIntObMap*)> onMap_;
  std::unordered_set<TOL_Var*> seen_;
  std::vector<TOL_VarObject*> objects_;
  std::unordered_map<TOL_VarObject*, uint32_t> positions_;
};

// The type number of `base` when it is one of the game's types.
bool TypeNumberOf(TOL_VarObject* base, const SaveContext& context, int32_t& number) {
  if (!context.types) return false;
  TOL_Var* id = base->FindOwnMember(script::Atom::Intern("_TYPEID"));
  if (!id) return false;
  number = id->GetLong();
  return context.types->Type(number) == base;
}

bool ViewNumberOf(TOL_VarObject* base, const SaveContext& context, int32_t& number) {
  if (!context.views) return false;
  for (const auto& [n, view] : *context.views) {
    if (view.get() == base) {
      number = n;
      return true;
    }
  }
  return false;
}

// A callable whose body the archive does not store: a FUNC, or a native function (stored as a
// plain callable). Loaded, it would answer nothing.
bool IsBodilessCallable(TOL_Var* value) {
  if (!value) return false;
  if (auto* func = dynamic_cast<script::TOL_VarFuncState*>(value)) return func->Body() == nullptr;
  return typeid(*value) == typeid(script::TOL_VarFunction);
}

// What the base chain holds under `name` that still has its body.
TOL_Var* InheritedCallable(TOL_VarObject* base, script::Atom name) {
  for (TOL_VarObject* b = base; b; b = b->GetBase()) {
    TOL_Var* found = b->FindOwnMember(name);
    if (found && found->IsCallable() && !IsBodilessCallable(found)) return found;
  }
  return nullptr;
}

// An instance shares its type's callables; what was shared comes back as a bodiless copy, which
// the type's own callable replaces again.
void RelinkCallables(TOL_VarObject* object) {
  TOL_VarObject* base = object->GetBase();
  if (!base) return;
  std::vector<script::MemberMap::Entry> entries = object->Members().Entries();
  for (const auto& entry : entries) {
    if (!IsBodilessCallable(entry.value.get())) continue;
    if (TOL_Var* inherited = InheritedCallable(base, entry.name)) object->SetMember(inherited, entry.name);
  }
}

VarRef ReadValue(archive::Archive& ar, const char* what) {
  size_t offset = ar.Position();
  archive::Object* object = ar.ReadObject();
  auto* value = dynamic_cast<TOL_Var*>(object);
  if (object && !value) {
    object->ArchiveRelease();
    throw ArchiveError(std::string("save: ") + what + " at byte " + std::to_string(offset) +
                       " is not a script value");
  }
  return VarRef::Adopt(value);
}

}  // namespace

void WriteSaveGraph(archive::Archive& ar, TOL_Var* root, const SaveContext& context) {
  ar.WriteObject(root);
  GraphWalk walk([&ar](TOL_VarIntObMap* map) {
    auto entries = EntriesByKey(map);
    ar.WriteCount(static_cast<uint32_t>(entries.size()));
    for (const auto& [key, value] : entries) {
      ar.WriteLong(key);
      ar.WriteObject(value);
    }
  });
  walk.From(root);

  // A base that is neither a type, a view nor part of the walk is stored too (with what it
  // reaches), so that a clone of a plain object keeps falling back on its source.
  std::vector<TOL_VarObject*> extras;
  std::unordered_map<TOL_VarObject*, uint32_t> extraPositions;
  for (size_t i = 0; i < walk.Objects().size(); ++i) {
    TOL_VarObject* base = walk.Objects()[i]->GetBase();
    int32_t number = 0;
    if (!base || walk.Position(base) || extraPositions.count(base) || TypeNumberOf(base, context, number) ||
        ViewNumberOf(base, context, number)) {
      continue;
    }
    extraPositions.emplace(base, static_cast<uint32_t>(extras.size()));
    extras.push_back(base);
    ar.WriteByte(kMoreExtras);
    ar.WriteObject(base);
    walk.From(base);
  }
  ar.WriteByte(kNoMoreExtras);

  ar.WriteCount(static_cast<uint32_t>(walk.Objects().size()));
  for (TOL_VarObject* object : walk.Objects()) {
    TOL_VarObject* base = object->GetBase();
    int32_t number = 0;
    if (!base) {
      ar.WriteByte(kNoBase);
      ar.WriteDword(0);
    } else if (TypeNumberOf(base, context, number)) {
      ar.WriteByte(kTypeBase);
      ar.WriteLong(number);
    } else if (ViewNumberOf(base, context, number)) {
      ar.WriteByte(kViewBase);
      ar.WriteLong(number);
    } else if (const uint32_t* position = walk.Position(base)) {
      ar.WriteByte(kWalkedBase);
      ar.WriteDword(*position);
    } else {
      ar.WriteByte(kExtraBase);
      ar.WriteDword(extraPositions.at(base));
    }
  }
}

VarRef ReadSaveGraph(archive::Archive& ar, const SaveContext& context, std::vector<std::string>& warnings) {
  VarRef root = ReadValue(ar, "the saved value");
  // Entries and extra bases are held here until the graph holds them itself.
  std::vector<VarRef> held;
  GraphWalk walk([&ar, &held](TOL_VarIntObMap* map) {
    uint32_t count = ar.ReadCount();
    ar.RequireRemaining(uint64_t{count} * 6);  // a key and at least a reference tag each
    for (uint32_t i = 0; i < count; ++i) {
      int32_t key = ar.ReadLong();
      VarRef value = ReadValue(ar, "a map entry");
      map->SetAt(key, value.get());
      held.push_back(std::move(value));
    }
  });
  walk.From(root.get());

  std::vector<TOL_VarObject*> extras;
  for (;;) {
    size_t offset = ar.Position();
    uint8_t marker = ar.ReadByte();
    if (marker == kNoMoreExtras) break;
    if (marker != kMoreExtras) {
      throw ArchiveError("save: bad marker " + std::to_string(marker) + " at byte " + std::to_string(offset));
    }
    VarRef base = ReadValue(ar, "a base object");
    auto* object = dynamic_cast<TOL_VarObject*>(base.get());
    if (!object) throw ArchiveError("save: the base object at byte " + std::to_string(offset + 1) + " is not an object");
    extras.push_back(object);
    walk.From(object);
    held.push_back(std::move(base));
  }

  const size_t offset = ar.Position();
  const uint32_t count = ar.ReadCount();
  const std::vector<TOL_VarObject*>& objects = walk.Objects();
  if (count != objects.size()) {
    throw ArchiveError("save: the base table at byte " + std::to_string(offset) + " lists " + std::to_string(count) +
                       " objects, the value holds " + std::to_string(objects.size()));
  }
  std::vector<TOL_VarObject*> bases(count, nullptr);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = ar.Position();
    const uint8_t kind = ar.ReadByte();
    const uint32_t number = ar.ReadDword();
    auto outOfRange = [&](const char* what) {
      throw ArchiveError("save: base " + std::to_string(i) + " at byte " + std::to_string(at) + " names " + what +
                         " " + std::to_string(number) + ", which the save does not hold");
    };
    switch (kind) {
      case kNoBase:
        break;
      case kTypeBase: {
        const int32_t type = static_cast<int32_t>(number);
        bases[i] = context.types ? context.types->Type(type) : nullptr;
        if (!bases[i]) warnings.push_back("the game has no type " + std::to_string(type) + " any more");
        break;
      }
      case kViewBase: {
        const int32_t view = static_cast<int32_t>(number);
        if (context.views) {
          auto it = context.views->find(view);
          if (it != context.views->end()) bases[i] = dynamic_cast<TOL_VarObject*>(it->second.get());
        }
        if (!bases[i]) warnings.push_back("the game has no view " + std::to_string(view) + " any more");
        break;
      }
      case kWalkedBase:
        if (number >= objects.size()) outOfRange("object");
        bases[i] = objects[number];
        break;
      case kExtraBase:
        if (number >= extras.size()) outOfRange("base object");
        bases[i] = extras[number];
        break;
      default:
        throw ArchiveError("save: base " + std::to_string(i) + " at byte " + std::to_string(at) + " has unknown kind " +
                           std::to_string(kind));
    }
  }
  // The table decides every walked object's base, whatever the stored base keys said; a base
  // chain that would loop is refused by SetBase itself.
  for (uint32_t i = 0; i < count; ++i) objects[i]->SetBase(bases[i]);
  for (TOL_VarObject* object : objects) RelinkCallables(object);
  return root;
}

}  // namespace tav::engine
