#include "drive_database.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace vdrive {

namespace {

class Database {
 public:
  explicit Database(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      sqlite3_close(db_);
      db_ = nullptr;
    }
  }
  ~Database() { sqlite3_close(db_); }
  bool IsOpen() const { return db_ != nullptr; }
  sqlite3* Handle() const { return db_; }
  const char* Error() const { return db_ ? sqlite3_errmsg(db_) : "cannot open"; }

 private:
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  bool Valid() const { return stmt_ != nullptr; }
  sqlite3_stmt* Get() const { return stmt_; }
  bool Step() { return sqlite3_step(stmt_) == SQLITE_ROW; }
  int Column(const char* name) const {
    for (int i = 0; i < sqlite3_column_count(stmt_); ++i)
      if (sqlite3_stricmp(sqlite3_column_name(stmt_, i), name) == 0) return i;
    return -1;
  }
  std::optional<double> Number(int column) const {
    if (column < 0 || sqlite3_column_type(stmt_, column) == SQLITE_NULL) return std::nullopt;
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text) return std::nullopt;
    return value;
  }
  std::string Text(int column) const {
    if (column < 0) return {};
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    return text ? reinterpret_cast<const char*>(text) : "";
  }
  bool Flag(int column) const {
    std::string text = Text(column);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text == "1" || text == "-1" || text == "true" || text == "yes";
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

int32_t Raw(double display, double resolution) {
  return static_cast<int32_t>(std::lround(display * resolution));
}

}  // namespace

bool LoadParameterDefaults(const std::string& databasePath, DriveConfig& config,
                           std::string& error) {
  Database db(databasePath);
  if (!db.IsOpen()) {
    error = databasePath + ": " + db.Error();
    return false;
  }
  Statement query(db.Handle(),
                  "SELECT * FROM tblDriveParameters WHERE AmpCode = ? AND Rev = ? "
                  "ORDER BY Parameter");
  if (!query.Valid()) {
    error = databasePath + ": " + db.Error();
    return false;
  }
  sqlite3_bind_int(query.Get(), 1, config.ampCode);
  sqlite3_bind_int(query.Get(), 2, config.revision);
  const int parameter = query.Column("Parameter"), def = query.Column("default"),
            min = query.Column("min"), max = query.Column("max"),
            resolution = query.Column("resolution"), readOnly = query.Column("ReadOnly");
  std::map<int, ParameterSpec> loaded;
  while (query.Step()) {
    const auto key = query.Number(parameter);
    if (!key || *key < 0 || *key > 499) continue;
    const double scale = query.Number(resolution).value_or(1.0);
    ParameterSpec spec;
    spec.powerOn = Raw(query.Number(def).value_or(0), scale);
    const auto low = query.Number(min), high = query.Number(max);
    if (low && high && *low <= *high) {
      spec.ranged = true;
      spec.min = Raw(*low, scale);
      spec.max = Raw(*high, scale);
    }
    spec.readOnly = query.Flag(readOnly);
    loaded[static_cast<int>(*key)] = spec;
  }
  if (loaded.empty()) {
    error = databasePath + ": no parameters for amplifier " + std::to_string(config.ampCode) +
            ", revision " + std::to_string(config.revision);
    return false;
  }
  config.parameters = std::move(loaded);
  return true;
}

std::map<int, ParameterSpec> BuiltInParameters() {
  std::map<int, ParameterSpec> p;
  const auto set = [&p](int key, int value) { p[key].powerOn = value; };
  set(134, 200);  // acceleration time, ms
  set(135, 200);  // deceleration time, ms
  set(137, 10);   // load inertia ratio, tenths
  // Inputs 1..8: servo on, alarm reset, then others; outputs 1..5: ready, zero speed, ...
  const int inputs[] = {101, 102, 104, 116, 117, 122, 123, 121};
  for (int i = 0; i < 8; ++i) set(210 + i, inputs[i]);
  const int outputs[] = {101, 103, 109, 105, 107};
  for (int i = 0; i < 5; ++i) set(218 + i, outputs[i]);
  set(405, 20);  // jog speed, rpm
  // Zero speed range, target speed, analog speed scale and maximum speed (rpm).
  for (const auto& [key, rpm] : {std::pair{138, 10}, {139, 3000}, {140, 3000}, {155, 3000}})
    set(key, rpm);
  for (int key = 236; key <= 243; ++key) set(key, 1000);  // speeds of position commands 1..8
  // Node 1, 19200 baud, RTU 8,O,1, as the drive leaves the factory.
  for (const auto& [key, value] : {std::pair{300, 1}, {301, 2}, {302, 8}}) set(key, value);
  // Read-only as in the catalogue: identity, fault record, terminals, outputs, reserved words.
  for (int key : {0, 1, 400, 401, 402, 403, 404}) p[key].readOnly = true;
  for (int key = 408; key <= 423; ++key) p[key].readOnly = true;
  return p;
}

bool ProtocolOfPosition(int position, Framing& framing, LineSettings& line) {
  struct Row {
    Framing framing;
    char parity;
    int dataBits, stopBits;
  };
  static const Row kRows[] = {
      {Framing::Ascii, 'N', 7, 2}, {Framing::Ascii, 'E', 7, 1}, {Framing::Ascii, 'O', 7, 1},
      {Framing::Ascii, 'N', 8, 2}, {Framing::Ascii, 'E', 8, 1}, {Framing::Ascii, 'O', 8, 1},
      {Framing::Rtu, 'N', 8, 2},   {Framing::Rtu, 'E', 8, 1},   {Framing::Rtu, 'O', 8, 1},
  };
  if (position < 0 || position > 8) return false;
  framing = kRows[position].framing;
  line.parity = kRows[position].parity;
  line.dataBits = kRows[position].dataBits;
  line.stopBits = kRows[position].stopBits;
  return true;
}

int BaudPosition(int baud) {
  for (int i = 0; i < 6; ++i)
    if (drive_facts::kBaudRates[i] == baud) return i;
  return -1;
}

int ProtocolPosition(Framing framing, const LineSettings& line) {
  for (int position = 0; position <= 8; ++position) {
    Framing f;
    LineSettings l;
    ProtocolOfPosition(position, f, l);
    if (f == framing && l.parity == line.parity && l.dataBits == line.dataBits &&
        l.stopBits == line.stopBits)
      return position;
  }
  return -1;
}

bool LoadConnectionDefaults(const std::string& databasePath, ConnectionDefaults& defaults) {
  Database db(databasePath);
  if (!db.IsOpen()) return false;
  Statement query(db.Handle(), "SELECT * FROM tblComSet ORDER BY Code");
  if (!query.Valid()) return false;
  const int code = query.Column("Code"), address = query.Column("Address"),
            port = query.Column("Port"), portDefault = query.Column("PortDefault"),
            baud = query.Column("Baud"), baudDefault = query.Column("BaudDefault"),
            description = query.Column("Description"),
            protocolDefault = query.Column("ProtocolDefault");
  ConnectionDefaults found = defaults;
  int protocolPosition = 0;
  while (query.Step()) {
    if (query.Number(code).value_or(0) == 99 && query.Number(address))
      found.node = static_cast<int>(*query.Number(address));
    const std::string portText = query.Text(port);
    if (!portText.empty() && query.Flag(portDefault)) {
      const size_t digits = portText.find_first_of("0123456789");
      if (digits != std::string::npos) found.comPort = std::atoi(portText.c_str() + digits);
    }
    if (!query.Text(baud).empty() && query.Flag(baudDefault) && query.Number(baud))
      found.line.baud = static_cast<int>(*query.Number(baud));
    if (query.Text(description).empty()) continue;
    if (query.Flag(protocolDefault))
      ProtocolOfPosition(protocolPosition, found.framing, found.line);
    ++protocolPosition;
  }
  defaults = found;
  return true;
}

}  // namespace vdrive
