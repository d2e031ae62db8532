-- Schema of the drive database Data/VM.vmd.
-- Yes/no columns hold 0 (no) or 1 (yes). Texts that a column leaves out are NULL.
-- Saved queries of the program are views; every view orders its rows so that a plain
-- "Select * From view WHERE ..." returns them in list order.

-- History of this database; the last row (by Version) is the one shown.
CREATE TABLE tblDBVER (
  Version     TEXT NOT NULL PRIMARY KEY,  -- "1.02": zero-padded so text order is age order
  VersionDate TEXT NOT NULL,
  Notes       TEXT
);

-- One row per amplifier and firmware revision the program supports.
CREATE TABLE tblDriveModels (
  AmpCode   INTEGER NOT NULL,  -- 20, 21, 23
  Rev       INTEGER NOT NULL,  -- firmware revision x 100: 200, 210
  ModelCode TEXT NOT NULL,     -- characters 5-6 are the two-digit AmpCode
  Power     TEXT NOT NULL,
  AmpName   TEXT NOT NULL,     -- "KDA-400", "KDA-1K", "KDA-3K"
  RevDate   TEXT NOT NULL,     -- release date of the firmware revision
  PRIMARY KEY (AmpCode, Rev)
);

-- Motors an amplifier drives, per firmware revision, in list order.
CREATE TABLE tblMotors (
  AmpCode     INTEGER NOT NULL,
  Rev         INTEGER NOT NULL,
  Position    INTEGER NOT NULL,  -- 0-based list position
  MotorCode   INTEGER NOT NULL,  -- value of P1.31
  Description TEXT NOT NULL,     -- begins with the two-digit motor code
  PRIMARY KEY (AmpCode, Rev, Position)
);

-- The parameter catalogue: one row per parameter of each amplifier and revision.
-- min, max and default are display values; display = raw / resolution.
CREATE TABLE tblDriveParameters (
  AmpCode     INTEGER NOT NULL,
  Rev         INTEGER NOT NULL,
  Parameter   TEXT NOT NULL,     -- three-digit key gnn: "101" is P1.01
  ParamName   TEXT,              -- short name for the editor row label
  Function    TEXT,              -- longer description (wizard title)
  EU          TEXT,              -- unit text, NULL when the value has no unit
  ToolTipText TEXT,
  "min"       REAL,              -- NULL: no lower bound
  "max"       REAL,              -- NULL: no upper bound
  "default"   REAL,              -- factory value; NULL: none
  resolution  REAL NOT NULL,     -- raw value / resolution = display value
  ReadOnly    INTEGER NOT NULL,  -- 1: never written to the drive
  Extra       INTEGER NOT NULL,  -- 1: chosen from the settings list of qryExtraData
  Compare     INTEGER NOT NULL,  -- 1: part of the comparison with the defaults
  Parts       INTEGER NOT NULL,  -- digits the wizard composes the value of (1-5)
  Address     INTEGER NOT NULL,  -- Modbus register: group * 256 + number + 1
  PRIMARY KEY (AmpCode, Rev, Parameter)
);

CREATE VIEW qryTabParams AS
  SELECT AmpCode, Rev, Parameter, ParamName, Function, EU, ToolTipText, "min", "max",
         "default", resolution, ReadOnly, Extra, Compare, Parts, Address
  FROM tblDriveParameters
  ORDER BY AmpCode, Rev, Parameter;

-- Settings lists of list parameters. The list position is the value, and the first two
-- characters of a setting are that value in two digits (P1.31 lists motor codes instead).
CREATE TABLE tblExtraData (
  AmpCode   INTEGER NOT NULL,
  Rev       INTEGER NOT NULL,
  Parameter TEXT NOT NULL,
  Position  INTEGER NOT NULL,
  Setting   TEXT NOT NULL,
  PRIMARY KEY (AmpCode, Rev, Parameter, Position)
);

CREATE VIEW qryExtraData AS
  SELECT AmpCode, Rev, Parameter, Position, Setting
  FROM tblExtraData
  ORDER BY AmpCode, Rev, Parameter, Position;

-- Wizard settings: the choices for each digit (part) of a composed parameter. Part 1 is the
-- most significant digit; the first character of a setting is the digit it stands for.
CREATE TABLE tblParts (
  AmpCode   INTEGER NOT NULL,
  Rev       INTEGER NOT NULL,
  Parameter TEXT NOT NULL,
  Part      INTEGER NOT NULL,
  Position  INTEGER NOT NULL,
  Setting   TEXT NOT NULL,
  PRIMARY KEY (AmpCode, Rev, Parameter, Part, Position)
);

CREATE VIEW qryParts AS
  SELECT AmpCode, Rev, Parameter, Part, Position, Setting
  FROM tblParts
  ORDER BY AmpCode, Rev, Parameter, Part, Position;

-- Digital input (7A) and output (7B) functions. Setting begins with the two-digit code and
-- ": " ("01: Servo On (SON)"); FirstRev is the first firmware revision that has the function.
CREATE TABLE tbl7A (
  Code     INTEGER NOT NULL PRIMARY KEY,
  Setting  TEXT NOT NULL,
  FirstRev INTEGER NOT NULL
);

CREATE TABLE tbl7B (
  Code     INTEGER NOT NULL PRIMARY KEY,
  Setting  TEXT NOT NULL,
  FirstRev INTEGER NOT NULL
);

-- The functions each amplifier and revision offers. SettingNum is the code as plain decimal
-- text ("8"); the first four characters of Setting ("08: ") are its number prefix.
CREATE VIEW qry7A AS
  SELECT m.AmpCode AS AmpCode, m.Rev AS Rev, CAST(f.Code AS TEXT) AS SettingNum,
         f.Code AS Code, f.Setting AS Setting
  FROM tblDriveModels AS m JOIN tbl7A AS f ON f.FirstRev <= m.Rev
  ORDER BY m.AmpCode, m.Rev, f.Code;

CREATE VIEW qry7B AS
  SELECT m.AmpCode AS AmpCode, m.Rev AS Rev, CAST(f.Code AS TEXT) AS SettingNum,
         f.Code AS Code, f.Setting AS Setting
  FROM tblDriveModels AS m JOIN tbl7B AS f ON f.FirstRev <= m.Rev
  ORDER BY m.AmpCode, m.Rev, f.Code;

-- Choices of the connect dialog, read in Code order. A row may carry a port, a speed and a
-- protocol entry at once; row 99 carries only the default node address.
CREATE TABLE tblComSet (
  Code            INTEGER NOT NULL PRIMARY KEY,
  Port            TEXT,     -- "COM1" .. "COM8"
  PortDefault     INTEGER NOT NULL DEFAULT 0,
  Baud            TEXT,     -- "4800" .. "115200"
  BaudDefault     INTEGER NOT NULL DEFAULT 0,
  Bits            TEXT,     -- protocol entry: data bits,
  Parity          TEXT,     --   parity,
  StopBit         TEXT,     --   stop bits
  Description     TEXT,     --   and framing ("Modbus ASCII", "Modbus RTU")
  ProtocolDefault INTEGER NOT NULL DEFAULT 0,
  Address         INTEGER   -- default node address (row 99)
);

-- The user's settings: the single record RecNum = 1. Written by the program's options.
CREATE TABLE tblCustInfo (
  RecNum         INTEGER NOT NULL PRIMARY KEY,
  QuickScreen    INTEGER NOT NULL,  -- show the project navigator at start
  ReportFormat   INTEGER NOT NULL,  -- configuration report as .csv instead of .txt
  ExpressWrites  INTEGER NOT NULL,  -- express writes allowed
  ConfirmExpress INTEGER NOT NULL,  -- ask before each express write
  ConfirmTuning  INTEGER NOT NULL,  -- ask before tuning writes
  TextTip        INTEGER NOT NULL,  -- tool tips in the parameter editor
  PreviousFiles  INTEGER NOT NULL   -- recent files kept, minus one (0-3)
);

-- Power-on register values of a drive: each parameter's default in raw drive units, at its
-- register address. Parameters without a default (NULL) power up as 0.
CREATE VIEW qryRegisterDefaults AS
  SELECT AmpCode, Rev, Parameter, Address,
         CAST(ROUND(COALESCE("default", 0) * resolution) AS INTEGER) AS RawDefault
  FROM tblDriveParameters
  ORDER BY AmpCode, Rev, Address;
