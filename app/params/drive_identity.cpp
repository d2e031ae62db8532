#include "params/drive_identity.h"

#include "core/logs.h"
#include "params/number_text.h"
#include "params/value_table.h"

namespace basFunctions {

std::array<int16_t, 5> GroupLimit{};
DriveIdentityTexts DriveIdentity;
ConfigIdentityTexts ConfigIdentity;
int16_t ConnectedAmpCode = 0;
int16_t ConfigAmpCode = 0;
QString ModeString;

namespace {

struct MotorEntry {
  int code;
  const char* motor;
  const char* amp;
};

constexpr MotorEntry kMotors[] = {
    {10, "100W, Low Inertia", "KDA-400 (400W) amp"},
    {11, "200W, Low Inertia", "KDA-400 (400W) amp"},
    {12, "400W, Low Inertia", "KDA-400 (400W) amp"},
    {20, "750W, Low Inertia", "KDA-1K (1KW) amp"},
    {21, "1KW, Low Inertia", "KDA-1K (1KW) amp"},
    {22, "1KW, Medium Inertia", "KDA-1K (1KW) amp"},
    {30, "2KW, Medium Inertia", "KDA-3K (3KW) amp"},
    {31, "23KW, Medium Inertia", "KDA-3K (3KW) amp"},
};

// Motor and amplifier texts of a motor code. An unknown code blanks both: texts kept from an
// earlier drive or configuration would make the two look alike when they are not.
void describeMotor(int32_t code, QString& motor, QString& amp) {
  motor.clear();
  amp.clear();
  for (const MotorEntry& entry : kMotors) {
    if (entry.code != code) continue;
    motor = QString::fromLatin1(entry.motor);
    amp = QString::fromLatin1(entry.amp);
    return;
  }
}

constexpr std::array<int16_t, 5> kLimits200{8, 55, 63, 7, 23};
constexpr std::array<int16_t, 5> kLimits210{8, 56, 65, 8, 23};

// Dual modes switch on a digital input: the first of inputs 1..8 (P2.10..P2.17) assigned the
// function, and then the live input state P4.07.
bool inputAssigned(int function) {
  for (int number = 10; number <= 17; ++number)
    if (DriveImage.P(2, number) == function) return true;
  return false;
}

QString dualMode(int function, const char* whenOn, const char* whenOff) {
  if (!inputAssigned(function)) return QString::fromLatin1(whenOff);
  return QString::fromLatin1(DriveImage.P(4, 7) != 0 ? whenOn : whenOff);
}

}  // namespace

void SetParamMax() {
  guarded("basFunctions, SetParamMax()", [] {
    bool isInteger = false;
    const int revision = ConfigIdentity.revision.trimmed().toInt(&isInteger);
    if (!isInteger) return;
    if (revision == 200) GroupLimit = kLimits200;
    if (revision == 210) GroupLimit = kLimits210;
  });
}

void GetDriveType() {
  guarded("basFunctions, GetDriveType()", [] {
    describeMotor(DriveImage.P(1, 31), DriveIdentity.driveMotor, DriveIdentity.driveAmp);
    const QString digits = QString::number(DriveImage.P(0, 0));
    DriveIdentity.firmware = digits.left(1) + "." + digits.mid(1, 2);
    DriveIdentity.firmwareLong = digits.left(1) + "." + digits.right(3);
    describeMotor(WorkingConfig.P(1, 31), DriveIdentity.configMotor, DriveIdentity.configAmp);
  });
}

QString getMode() {
  guarded("basFunctions, getMode()", [] {
    const int mode = static_cast<int>(number_text::LeadingNumber(QString::number(DriveImage.P(1, 1)).right(2)));
    switch (mode) {
      case 0:
        ModeString = "Pt";
        break;
      case 1:
        ModeString = "Pr";
        break;
      case 2:
        ModeString = "V";
        break;
      case 3:
        ModeString = "T";
        break;
      case 4:
        ModeString = "Vz";
        break;
      case 5:
        ModeString = "Tz";
        break;
      case 6:
        ModeString = dualMode(18, "Pt", "V");
        break;
      case 7:
        ModeString = dualMode(20, "Pt", "T");
        break;
      case 8:
        ModeString = dualMode(18, "Pr", "V");
        break;
      case 9:
        ModeString = dualMode(20, "Pr", "T");
        break;
      case 10:
        ModeString = dualMode(19, "T", "V");
        break;
      default:
        break;
    }
  });
  return ModeString;
}

}  // namespace basFunctions
