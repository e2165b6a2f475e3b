#include "engine/type_table.h"

#include <algorithm>
#include <string>
#include <vector>

#include "os/diagnostics.h"
#include "script/base/atom.h"
#include "script/text/compile_error.h"
#include "script/text/number_text.h"
#include "script/script_file.h"
#include "script/text/table_file.h"
#include "script/core/var_ref.h"

namespace tav::engine {

namespace {

using platform::Diagnose;
using platform::Severity;

// One header cell: the member it names and, for "NAME$k", the element index k.
struct Column {
  script::Atom member;
  int element = -1;  // -1: the member itself
  bool badElement = false;  // "$k" with k no array can have
};

Column ParseColumn(const std::string& header) {
  Column column;
  const size_t dollar = header.find('$');
  if (dollar == std::string::npos) {
    column.member = script::Atom::Intern(header);
    return column;
  }
  column.member = script::Atom::Intern(std::string_view(header).substr(0, dollar));
  const int64_t k = script::Integer64Prefix(std::string_view(header).substr(dollar + 1));
  if (k < 0 || k >= script::TOL_VarObArray::kMaxElements) {
    column.badElement = true;
  } else {
    column.element = static_cast<int>(k);
  }
  return column;
}

bool StartsWithDigit(const std::string& text) { return !text.empty() && text[0] >= '0' && text[0] <= '9'; }

class TableReader {
 public:
  TableReader(script::TOL_VarObArray* rows, script::TOL_Var* type, std::string_view path,
              const TableContext& context)
      : rows_(rows), type_(type), path_(path), context_(context) {}

  bool Read(int rowLimit);

 private:
  enum class RowResult { Added, Dropped, Failed };

  RowResult ReadRow(const script::TableRow& cells, const std::string& where);
  // The type a TID cell names, or null (the read then fails).
  script::TOL_Var* TypeOfCell(const std::string& cell, const std::string& where);
  bool SetElement(script::TOL_VarObject& row, script::Atom name, int element, script::TOL_Var* value);

  script::TOL_VarObArray* rows_;
  script::TOL_Var* type_;  // the type of rows until a TID cell names another
  std::string path_;
  const TableContext& context_;
  std::vector<Column> columns_;
  bool typeColumn_ = false;
};

bool TableReader::Read(int rowLimit) {
  std::string error;
  std::optional<std::vector<script::TableRow>> lines = script::ReadTableFile(path_, context_.resolver, &error);
  if (!lines) {
    Diagnose(Severity::Info, path_, error.empty() ? "cannot be read" : error);
    return false;
  }
  if (lines->empty()) return true;
  const script::TableRow& header = lines->front();
  for (const std::string& name : header) columns_.push_back(ParseColumn(name));
  typeColumn_ = !header.empty() && script::UpperCaseSjis(header[0]) == "TID";
  for (size_t i = 1; i < lines->size(); ++i) {
    if (rowLimit >= 0 && static_cast<int64_t>(i) > rowLimit) break;
    // Lines of the file are not numbered once empty ones are skipped: name the row instead.
    const std::string where = path_ + ": row " + std::to_string(i);
    if (ReadRow((*lines)[i], where) == RowResult::Failed) return false;
  }
  return true;
}

TableReader::RowResult TableReader::ReadRow(const script::TableRow& cells, const std::string& where) {
  if (typeColumn_ && !cells.empty() && !cells[0].empty()) {
    type_ = TypeOfCell(cells[0], where);
    if (!type_) return RowResult::Failed;
  }
  auto row = script::Make<script::TOL_VarObject>();
  const size_t count = std::min(columns_.size(), cells.size());
  for (size_t i = typeColumn_ ? 1 : 0; i < count; ++i) {
    const std::string& cell = cells[i];
    if (cell.empty()) continue;
    if (!type_) {
      Diagnose(Severity::Warning, where, "the row has no type (no TID and none given)");
      return RowResult::Failed;
    }
    const Column& column = columns_[i];
    script::TOL_Var* member = type_->FindMember(column.member);
    if (!member) return RowResult::Dropped;
    script::VarRef value = script::ValueFromText(cell, member);
    if (!value) {
      Diagnose(Severity::Warning, where,
               "cell \"" + cell + "\" of column " + column.member.Text() +
                   " is not a valid expression: " + script::LastCompileError().reason);
      return RowResult::Failed;
    }
    if (column.badElement) {
      Diagnose(Severity::Warning, where, "column index of " + column.member.Text() + " is out of range; row left out");
      return RowResult::Dropped;
    }
    if (column.element < 0) {
      row->SetMember(value.get(), column.member);
    } else if (!dynamic_cast<script::TOL_VarRef*>(member) ||
               !SetElement(*row, column.member, column.element, value.get())) {
      return RowResult::Dropped;
    }
  }
  if (type_) row->SetMember(script::NewRef(type_).get(), "_TYPEOB");
  rows_->Add(row.get());
  return RowResult::Added;
}

// A number names a type directly; any other text names a global holding the number.
script::TOL_Var* TableReader::TypeOfCell(const std::string& cell, const std::string& where) {
  int number = 0;
  if (StartsWithDigit(cell)) {
    number = script::IntegerPrefix(cell);
  } else {
    script::TOL_Var* named = context_.globals ? context_.globals->FindMember(std::string_view(cell)) : nullptr;
    if (!named) {
      Diagnose(Severity::Warning, where, "TID " + cell + " names nothing");
      return nullptr;
    }
    number = named->GetLong();
  }
  script::TOL_Var* type = context_.types ? context_.types->Type(number) : nullptr;
  if (!type) Diagnose(Severity::Warning, where, "TID " + cell + ": no type " + std::to_string(number));
  return type;
}

bool TableReader::SetElement(script::TOL_VarObject& row, script::Atom name, int element, script::TOL_Var* value) {
  auto* array = dynamic_cast<script::TOL_VarObArray*>(row.FindOwnMember(name));
  if (!array) {
    auto made = script::NewArray();
    row.SetMember(made.get(), name);
    array = made.get();
  }
  if (array->GetCount() <= element) array->SetSize(element + 1, -1);
  if (array->GetCount() <= element) return false;
  array->SetAt(element, value);
  return true;
}

}  // namespace

bool ReadTypeTable(script::TOL_VarObArray* rows, script::TOL_Var* type, std::string_view path,
                   int rowLimit, const TableContext& context) {
  if (!rows) return false;
  rows->RemoveAll();
  return TableReader(rows, type, path, context).Read(rowLimit);
}

script::TOL_Var* RowType(script::TOL_Var* row) {
  static const script::Atom typeOb = script::Atom::Intern("_TYPEOB");
  script::TOL_Var* member = row ? row->FindMember(typeOb) : nullptr;
  return member ? member->GetTarget() : nullptr;
}

}  // namespace tav::engine
