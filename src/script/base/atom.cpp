#include "script/base/atom.h"

#include <memory>
#include <mutex>
#include <unordered_map>

#include "encoding/sjis.h"

namespace tav::script {
namespace {

struct AtomTable {
  std::mutex lock;
  // Keys view the text owned by the AtomData they map to; AtomData never moves (unique_ptr).
  std::unordered_map<std::string_view, std::unique_ptr<AtomData>> atoms;
};

AtomTable& Table() {
  static AtomTable table;
  return table;
}

const std::string kEmpty;

}  // namespace

std::string UpperCaseSjis(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (platform::IsSjisLeadByte(c) && i + 1 < out.size()) {
      ++i;  // the trail byte may look like a lower-case letter
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

Atom Atom::Intern(std::string_view name) {
  std::string upper = UpperCaseSjis(name);
  AtomTable& table = Table();
  std::lock_guard guard(table.lock);
  auto it = table.atoms.find(upper);
  if (it != table.atoms.end()) return Atom(it->second.get());
  auto data = std::make_unique<AtomData>(AtomData{std::move(upper), 0});
  AtomData* raw = data.get();
  table.atoms.emplace(std::string_view(raw->text), std::move(data));
  return Atom(raw);
}

Atom Atom::Find(std::string_view name) {
  std::string upper = UpperCaseSjis(name);
  AtomTable& table = Table();
  std::lock_guard guard(table.lock);
  auto it = table.atoms.find(upper);
  return it == table.atoms.end() ? Atom() : Atom(it->second.get());
}

const std::string& Atom::Text() const { return data_ ? data_->text : kEmpty; }

}  // namespace tav::script
