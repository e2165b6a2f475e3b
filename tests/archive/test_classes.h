#pragma once

// Small archived classes for the archive's tests and fuzz target. Every instance is tracked,
// so a test can check that nothing leaked, and reference cycles (which plain reference counts
// cannot free) can be broken the way the script values' collector would.

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "archive/archive.h"
#include "archive/object.h"

namespace tav::archive::testing {

class TestObject : public Object {
 public:
  TestObject() { Live().insert(this); }
  virtual ~TestObject() { Live().erase(this); }
  TestObject(const TestObject&) = delete;
  TestObject& operator=(const TestObject&) = delete;

  void ArchiveAddRef() override { ++refs_; }
  void ArchiveRelease() override {
    if (--refs_ == 0) delete this;
  }
  int Refs() const { return refs_; }

  static std::set<TestObject*>& Live() {
    static std::set<TestObject*> live;
    return live;
  }
  static size_t LiveCount() { return Live().size(); }

  // Drops every reference that tracked objects hold on each other; what then remains alive is
  // held from outside (or leaked).
  static void CollectCycles() {
    std::vector<TestObject*> all(Live().begin(), Live().end());
    for (TestObject* object : all) object->ArchiveAddRef();
    for (TestObject* object : all) object->DropReferences();
    for (TestObject* object : all) object->ArchiveRelease();
  }

 protected:
  virtual void DropReferences() {}

  static void Release(Object*& object) {
    if (object != nullptr) std::exchange(object, nullptr)->ArchiveRelease();
  }

 private:
  int refs_ = 1;
};

template <class T>
Object* CreateTestObject() {
  return std::make_unique<T>().release();
}

// Version word, a number and a string.
class Leaf : public TestObject {
 public:
  static inline const ClassInfo kClass{"TST_Leaf", 1, &CreateTestObject<Leaf>};
  const ClassInfo& GetRuntimeClass() const override { return kClass; }
  void Serialize(Archive& ar) override {
    if (ar.IsStoring()) {
      ar.WriteWord(1);
      ar.WriteLong(value);
      ar.WriteString(text);
    } else {
      ar.ReadWord();
      value = ar.ReadLong();
      text = ar.ReadString();
    }
  }

  int32_t value = 0;
  std::string text;
};

// Version word, a label that must be a Leaf, a child of any class and an object array.
class Node : public TestObject {
 public:
  static inline const ClassInfo kClass{"TST_Node", 1, &CreateTestObject<Node>};
  ~Node() override { DropReferences(); }
  const ClassInfo& GetRuntimeClass() const override { return kClass; }
  void Serialize(Archive& ar) override {
    if (ar.IsStoring()) {
      ar.WriteWord(1);
      ar.WriteObject(label);
      ar.WriteObject(child);
      ar.WriteObjectArray(items);
    } else {
      ar.ReadWord();
      label = ar.ReadObjectAs<Leaf>();
      child = ar.ReadObject();
      items = ar.ReadObjectArray();
    }
  }
  // The setters take a new reference of their own.
  void SetChild(Object* object) {
    if (object != nullptr) object->ArchiveAddRef();
    Release(child);
    child = object;
  }
  void AddItem(Object* object) {
    if (object != nullptr) object->ArchiveAddRef();
    items.push_back(object);
  }

  Leaf* label = nullptr;
  Object* child = nullptr;
  std::vector<Object*> items;

 protected:
  void DropReferences() override {
    Object* labelObject = std::exchange(label, nullptr);
    Release(labelObject);
    Release(child);
    for (Object*& item : items) Release(item);
    items.clear();
  }
};

// A name -> object map.
class Dict : public TestObject {
 public:
  static inline const ClassInfo kClass{"TST_Dict", 1, &CreateTestObject<Dict>};
  ~Dict() override { DropReferences(); }
  const ClassInfo& GetRuntimeClass() const override { return kClass; }
  void Serialize(Archive& ar) override {
    if (ar.IsStoring()) {
      ar.WriteStringMap(entries);
    } else {
      entries = ar.ReadStringMap();
    }
  }
  void Add(std::string name, Object* object) {
    if (object != nullptr) object->ArchiveAddRef();
    entries.emplace_back(std::move(name), object);
  }

  std::vector<std::pair<std::string, Object*>> entries;

 protected:
  void DropReferences() override {
    for (auto& entry : entries) Release(entry.second);
    entries.clear();
  }
};

inline void RegisterTestClasses() {
  RegisterClass(Leaf::kClass);
  RegisterClass(Node::kClass);
  RegisterClass(Dict::kClass);
}

// Owns one reference; for building and examining object graphs in tests.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* adopted) : object_(adopted) {}
  ~Ref() {
    if (object_ != nullptr) object_->ArchiveRelease();
  }
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  static Ref Make() { return Ref(static_cast<T*>(CreateTestObject<T>())); }
  T* get() const { return object_; }
  T* operator->() const { return object_; }

 private:
  T* object_ = nullptr;
};

}  // namespace tav::archive::testing
