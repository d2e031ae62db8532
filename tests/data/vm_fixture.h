// Shared set-up of the drive database tests: the built database and the facts about the
// amplifiers and revisions it must describe.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sqlite_reader.h"

struct Model {
  int amp;
  int rev;
};

inline const std::vector<Model> kModels = {{20, 200}, {20, 210}, {21, 200},
                                           {21, 210}, {23, 200}, {23, 210}};

// Last parameter number of groups 0..4 per firmware revision.
inline const std::map<int, std::array<int, 5>> kGroupLimits = {
    {200, {8, 55, 63, 7, 23}},
    {210, {8, 56, 65, 8, 23}},
};

inline std::string keyText(int group, int number) {
  char key[16];
  std::snprintf(key, sizeof key, "%d%02d", group, number);
  return key;
}

inline std::string modelFilter(const Model& m) {
  return " WHERE AmpCode = " + std::to_string(m.amp) + " AND Rev = " + std::to_string(m.rev);
}

inline std::string describe(const Model& m) {
  return "amp " + std::to_string(m.amp) + " rev " + std::to_string(m.rev);
}

inline bool isReservedKey(const std::string& key) {
  const int k = std::stoi(key);
  return k >= 410 && k <= 421;
}

// Amplifier code of a motor code, as the program maps it.
inline int ampOfMotor(int motor) {
  if (motor >= 10 && motor <= 12) return 20;
  if (motor >= 20 && motor <= 22) return 21;
  if (motor == 30 || motor == 31) return 23;
  return 0;
}

class VmDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { db_ = std::make_unique<SqliteReader>(VM_DATABASE_PATH); }
  static void TearDownTestSuite() { db_.reset(); }
  static const SqliteReader& db() { return *db_; }

  static QueryResult catalogue(const Model& m) {
    return db().query("Select * From tblDriveParameters" + modelFilter(m) + " ORDER By Parameter");
  }
  static QueryResult settings(const std::string& view, const Model& m, const std::string& key) {
    return db().query("Select * From " + view + modelFilter(m) + " AND Parameter = '" + key + "'");
  }

 private:
  static inline std::unique_ptr<SqliteReader> db_;
};
