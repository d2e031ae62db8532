// Wizard part settings of the composed parameters: every part has its digits, and the
// catalogue's default and maximum can be composed from them.
#include <cctype>

#include "vm_fixture.h"

namespace {

const std::set<std::string> kWizardKeys = {
    "003", "100", "101", "102", "103", "132", "146", "147", "210", "211", "212", "213", "214",
    "215", "216", "217", "218", "219", "220", "221", "222", "231", "233", "248", "249", "263"};

bool isFunctionKey(int k) { return k >= 210 && k <= 222; }

// Parts whose list the wizard fills from elsewhere or hides.
bool partHasNoSettings(int k, int part) {
  if (k == 101) return part == 4;          // the control modes span parts 3 and 4
  if (isFunctionKey(k)) return part >= 2;  // the function comes from qry7A / qry7B
  return false;
}

int digitValue(char c) { return std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10; }

class WizardParts : public VmDatabase {
 protected:
  static std::vector<std::string> partSettings(const Model& m, const std::string& key, int part) {
    const auto rows = db().query("Select * From qryParts" + modelFilter(m) + " AND Parameter = '" +
                                 key + "'" + " AND Part = " + std::to_string(part));
    std::vector<std::string> texts;
    for (size_t i = 0; i < rows.rows.size(); ++i) texts.push_back(rows.text(i, "Setting"));
    return texts;
  }
};

TEST_F(WizardParts, EveryWizardParameterHasSettingsForEachDigit) {
  for (const auto& m : kModels) {
    const auto rows = catalogue(m);
    for (size_t i = 0; i < rows.rows.size(); ++i) {
      const auto key = rows.text(i, "Parameter");
      const int k = std::stoi(key);
      const int parts = rows.integer(i, "Parts");
      SCOPED_TRACE(describe(m) + " P" + key);
      EXPECT_EQ(parts > 1, kWizardKeys.count(key) == 1);
      const int radix = k == 231 ? 16 : 10;
      for (int part = 1; part <= 5; ++part) {
        const auto texts = partSettings(m, key, part);
        if (parts == 1 || part > parts || partHasNoSettings(k, part)) {
          EXPECT_TRUE(texts.empty()) << "part " << part;
          continue;
        }
        ASSERT_FALSE(texts.empty()) << "part " << part;
        if (k == 101 && part == 3) continue;  // the two-digit modes, checked below
        // A digit's position in its list is the digit (the wizard selects by position).
        for (size_t p = 0; p < texts.size(); ++p) {
          ASSERT_TRUE(std::isxdigit(static_cast<unsigned char>(texts[p][0]))) << texts[p];
          EXPECT_LT(digitValue(texts[p][0]), radix) << texts[p];
          EXPECT_EQ(digitValue(texts[p][0]), static_cast<int>(p)) << texts[p];
        }
      }
    }
  }
}

TEST_F(WizardParts, ControlModesAreTheElevenModesOfTheDrive) {
  const std::vector<std::string> modes = {"00: Position Terminal Mode (Pt)",
                                          "01: Position Register mode (Pr)",
                                          "02: Velocity Mode (V)",
                                          "03: Torque Mode (T)",
                                          "04: Velocity Register Mode (Vz)",
                                          "05: Torque Register Mode(Tz)",
                                          "06: Pt - V Dual Mode ",
                                          "07: Pt - T Dual Mode",
                                          "08: Pr - V Dual Mode",
                                          "09: Pr - T Dual Mode",
                                          "10: S - T Dual Mode"};
  for (const auto& m : kModels) EXPECT_EQ(partSettings(m, "101", 3), modes) << describe(m);
}

// Composes the largest value and checks the default: each digit of the default (as the
// editor shows it, most significant first) must be a setting of its part.
TEST_F(WizardParts, DefaultAndMaximumCanBeComposedFromTheParts) {
  for (const auto& m : kModels) {
    const auto rows = catalogue(m);
    for (size_t i = 0; i < rows.rows.size(); ++i) {
      const auto key = rows.text(i, "Parameter");
      const int k = std::stoi(key);
      const int parts = rows.integer(i, "Parts");
      if (parts < 2 || k == 101 || isFunctionKey(k)) continue;
      SCOPED_TRACE(describe(m) + " P" + key);
      const int radix = k == 231 ? 16 : 10;
      std::vector<std::set<int>> allowed;
      long composedMax = 0;
      for (int part = 1; part <= parts; ++part) {
        std::set<int> digits;
        for (const auto& text : partSettings(m, key, part)) digits.insert(digitValue(text[0]));
        composedMax = composedMax * radix + *digits.rbegin();
        allowed.push_back(digits);
      }
      EXPECT_LE(rows.number(i, "max"), composedMax);
      long value = rows.integer(i, "default");
      for (int part = parts - 1; part >= 0; --part, value /= radix)
        EXPECT_TRUE(allowed[part].count(value % radix)) << "digit of part " << part + 1;
    }
  }
}

}  // namespace
