// Table files: rows of prepared values for a type, read from comma-separated text.
//
// The first line names the columns: a member of the type, or "NAME$k" for element k of the
// array member NAME (declared OBJECT). If the first column is "TID", its non-empty cells choose
// the type of their row and the rows after it (a number, or a global such as TID_Hero holding
// one); that column is not a member. Every other line is one row object: its non-empty cells
// converted for the members they name, plus "_TYPEOB", its type. A row with a cell for a member
// its type lacks is left out; a cell that cannot be converted, an unknown type, or a row with no
// type at all fail the whole read (the rows before it stay).
#pragma once

#include <string_view>

#include "engine/object_types.h"
#include "script/text/text_file.h"
#include "script/core/var_array.h"

namespace tav::engine {

// What resolving TID cells and opening the file need.
struct TableContext {
  const TypeCatalog* types = nullptr;   // type numbers
  script::TOL_Var* globals = nullptr;   // names of type numbers (TID_...)
  script::PathResolver resolver;        // game paths
};

// Empties `rows`, then appends one row object per accepted line, reading at most `rowLimit`
// lines after the header (negative: no limit). `type` (may be null) types the rows that the TID
// column does not. False when the file cannot be read or the read failed.
bool ReadTypeTable(script::TOL_VarObArray* rows, script::TOL_Var* type, std::string_view path,
                   int rowLimit, const TableContext& context);

// The type a row object was read for (the target of its "_TYPEOB"), or null.
script::TOL_Var* RowType(script::TOL_Var* row);

}  // namespace tav::engine
