// The configuration file engine: the reader's rules line by line, the writer's exact bytes, and
// the round trip between them. No program, no database.
#include "params/config_file.h"

#include <gtest/gtest.h>

#include "app_harness.h"
#include "params/value_table.h"

namespace {

using basFunctions::ValueTable;

constexpr std::array<int16_t, 5> kLimits200{8, 55, 63, 7, 23};

QByteArray fileOf(const QList<QByteArray>& lines, const char* end = "\r\n") {
  QByteArray bytes;
  for (const QByteArray& line : lines) bytes += line + end;
  return bytes;
}

QByteArray withHeader(const QByteArray& line) {
  return fileOf({"#212001", "#/tmp/a.vmc", "#1/2/24 10:00", line});
}

TEST(ConfigFileReader, ReadsEachKindOfLineByTheLenientRules) {
  struct Row {
    const char* line;
    int group;  // -1: the line is skipped
    int number;
    int32_t value;
  };
  const Row rows[] = {
      {"101,2", 1, 1, 2},
      {"15,7", 1, 5, 7},
      {"101,-3", 1, 1, -3},
      {"101, 5", 1, 1, 5},
      {"101,2.5", 1, 1, 2},
      {"101,3.5", 1, 1, 4},
      {"101,1e3", 1, 1, 1000},
      {"1011234", 1, 1, 234},
      {"637,-1", 6, 37, -1},
      {"423,2147483647", 4, 23, 2147483647},
      {"101,65535", 1, 1, 65535},
      {"#101,5", -1, 0, 0},
      {"", -1, 0, 0},
      {"ab,5", -1, 0, 0},
      {"1x,5", -1, 0, 0},
      {"   ", -1, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const config_file::Contents read = config_file::Read(withHeader(row.line));
    ASSERT_TRUE(read.ok()) << read.refused->reason.toStdString();
    if (row.group < 0) {
      EXPECT_TRUE(read.params.isEmpty());
      continue;
    }
    ASSERT_EQ(read.params.size(), 1);
    EXPECT_EQ(read.params[0].lineNumber, 4);
    EXPECT_EQ(read.params[0].group, row.group);
    EXPECT_EQ(read.params[0].number, row.number);
    EXPECT_EQ(read.params[0].value, row.value);
  }
}

TEST(ConfigFileReader, RefusesTheWholeFileAtADamagedLine) {
  struct Row {
    QByteArray bytes;
    int line;
    const char* text;
    const char* reason;
  };
  const Row rows[] = {
      {withHeader("701,5"), 4, "701,5", "the parameter group is not 0 to 6"},
      {withHeader("95,5"), 4, "95,5", "the parameter group is not 0 to 6"},
      {withHeader("101,99999999999"), 4, "101,99999999999", "the value does not fit in 32 bits"},
      {withHeader("101,-2147483649"), 4, "101,-2147483649", "the value does not fit in 32 bits"},
      {withHeader("101,1e999"), 4, "101,1e999", "the value does not fit in 32 bits"},
      // Typos are refused, never read as the number they start with.
      {withHeader("109,abc"), 4, "109,abc", "the value is not a number"},
      {withHeader("134,5OO"), 4, "134,5OO", "the value is not a number"},
      {withHeader("101,12abc"), 4, "101,12abc", "the value is not a number"},
      {withHeader("101,"), 4, "101,", "the value is not a number"},
      {withHeader("10"), 4, "10", "the value is not a number"},
      // A file cut short: the line end the other lines have is missing at the end.
      {QByteArray("#312101\r\n101,2\r\n102,", 20), 3, "102,",
       "the file is cut short: its last line has no line end"},
      {QByteArray("#312101\r\n101,2\r\n10", 18), 3, "10",
       "the file is cut short: its last line has no line end"},
      {fileOf({"#212001", "101,1", "102,2", "801,3", "103,4"}), 4, "801,3",
       "the parameter group is not 0 to 6"},
      {QByteArray(), 1, "", "the file is empty"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const config_file::Contents read = config_file::Read(row.bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.refused->lineNumber, row.line);
    EXPECT_EQ(read.refused->text, row.text);
    EXPECT_EQ(read.refused->reason, row.reason);
    EXPECT_TRUE(read.params.isEmpty()) << "a refused file offers no values";
  }
}

TEST(ConfigFileReader, HeaderAndLineEndsOfAnyKind) {
  for (const char* end : {"\r\n", "\n", "\r"}) {
    const config_file::Contents read = config_file::Read(fileOf({"#212001", "101,2", "15,7"}, end));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.header.motorCode, "21");
    EXPECT_EQ(read.header.revision, "200");
    EXPECT_EQ(read.header.firmware, "2001");
    ASSERT_EQ(read.params.size(), 2);
    EXPECT_EQ(read.params[1].lineNumber, 3);
  }
  // Short or odd headers give short texts, never a read past the line.
  const config_file::Contents shortHeader = config_file::Read("#2");
  EXPECT_EQ(shortHeader.header.motorCode, "2");
  EXPECT_EQ(shortHeader.header.revision, "");
  const config_file::Contents onlyHeader = config_file::Read(QByteArray("#312101", 7));
  EXPECT_TRUE(onlyHeader.ok()) << "one line without an end is not a cut file";
  const config_file::Contents blankEnd = config_file::Read(QByteArray("#312101\r\n101,2\r\n ", 17));
  EXPECT_TRUE(blankEnd.ok()) << "a blank last line cuts nothing";
  const config_file::Contents binary = config_file::Read(QByteArray("#21\0\xff\r\n1\0,5\r\n", 13));
  EXPECT_TRUE(binary.ok());
}

TEST(ConfigFileReader, JogSpeedAboveItsLimitTakesTheDefaultInEitherKeyForm) {
  struct Row {
    const char* line;
    int32_t stored;
    int replaced;
  };
  for (const Row& row : {Row{"405,3500", 20, 1}, Row{"405,3000", 3000, 0}, Row{"45,4999", 20, 1},
                         Row{"405,3000.4", 20, 1}, Row{"405,-5", -5, 0}}) {
    SCOPED_TRACE(row.line);
    ValueTable config;
    const int replaced = config_file::Apply(config_file::Read(withHeader(row.line)), config, 20);
    EXPECT_EQ(replaced, row.replaced);
    EXPECT_EQ(config.P(4, 5), row.stored);
  }
}

TEST(ConfigFileWriter, WritesSixHeaderLinesThenEveryParameterInOrder) {
  ValueTable config;
  config.P(1, 31) = 21;
  config.P(0, 0) = 2001;
  config.P(1, 1) = 2;
  config.P(2, 63) = -40000;
  config.P(3, 8) = 77;  // beyond revision 2.00's group 3: not written
  const QByteArray bytes =
      config_file::Write(config, kLimits200, "/cfg/pump.vmc", "5/17/24 2:03 PM");
  ASSERT_TRUE(bytes.endsWith("\r\n"));
  const QList<QByteArray> lines = bytes.chopped(1).split('\n');
  ASSERT_EQ(lines.size(), 6 + 161);
  for (const QByteArray& line : lines) ASSERT_TRUE(line.endsWith('\r')) << line.constData();
  const QList<QByteArray> expectedStart = {
      "#212001\r",
      "#/cfg/pump.vmc\r",
      "#5/17/24 2:03 PM\r",
      "#WARNING! Changing any contents of this file may result in the confirguration\r",
      "#no longer being valid and could cause adverse effects if used.\r",
      "#Only make changes when instructed to do so from Tech Support personnel.\r",
      "000,2001\r",
      "001,0\r"};
  EXPECT_EQ(lines.mid(0, 8), expectedStart);
  EXPECT_EQ(lines[6 + 9], "100,0\r");
  EXPECT_EQ(lines[6 + 10], "101,2\r");
  EXPECT_EQ(lines[6 + 9 + 56 + 63], "263,-40000\r");
  EXPECT_EQ(lines[6 + 9 + 56 + 64 + 7], "307,0\r");
  EXPECT_EQ(lines.last(), "423,0\r");
}

}  // namespace
