// Read-only access to the built drive database for the data tests: runs a statement and
// returns its rows as texts (NULL as std::nullopt) together with the column names.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using Cell = std::optional<std::string>;
using Row = std::vector<Cell>;

struct QueryResult {
  std::vector<std::string> columns;
  std::vector<Row> rows;

  int column(const std::string& name) const {
    for (size_t i = 0; i < columns.size(); ++i)
      if (columns[i] == name) return static_cast<int>(i);
    throw std::runtime_error("no column " + name);
  }
  std::string text(size_t row, const std::string& name) const {
    return rows.at(row).at(column(name)).value_or("");
  }
  bool isNull(size_t row, const std::string& name) const {
    return !rows.at(row).at(column(name)).has_value();
  }
  double number(size_t row, const std::string& name) const { return std::stod(text(row, name)); }
  int integer(size_t row, const std::string& name) const { return std::stoi(text(row, name)); }
};

class SqliteReader {
 public:
  explicit SqliteReader(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
      throw std::runtime_error("cannot open " + path);
  }
  ~SqliteReader() { sqlite3_close(db_); }
  SqliteReader(const SqliteReader&) = delete;
  SqliteReader& operator=(const SqliteReader&) = delete;

  QueryResult query(const std::string& sql) const {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
      throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    QueryResult result;
    const int count = sqlite3_column_count(statement);
    for (int i = 0; i < count; ++i) result.columns.emplace_back(sqlite3_column_name(statement, i));
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
      Row row;
      for (int i = 0; i < count; ++i) {
        const auto* value = sqlite3_column_text(statement, i);
        row.push_back(value ? Cell(reinterpret_cast<const char*>(value)) : std::nullopt);
      }
      result.rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE) throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    return result;
  }

  // Declared type of a column of a table ("INTEGER", "TEXT", "REAL").
  std::string declaredType(const std::string& table, const std::string& column) const {
    const char* type = nullptr;
    if (sqlite3_table_column_metadata(db_, nullptr, table.c_str(), column.c_str(), &type, nullptr,
                                      nullptr, nullptr, nullptr) != SQLITE_OK)
      return "";
    return type ? type : "";
  }

 private:
  sqlite3* db_ = nullptr;
};
