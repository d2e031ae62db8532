// Stand-ins around the capture engine: a view and a program that record what the capture
// did to them, and poll blocks written out sample by sample.
#pragma once

#include <QStringList>
#include <QVector>
#include <array>
#include <initializer_list>
#include <vector>

#include "scope/scope_capture.h"

namespace scopetest {

struct RecordingView : basScope::ScopeView {
  QString title;
  QColor titleColour;
  QString lostData;
  std::array<QVector<double>, 3> seconds, values;
  int keepPoints = 0;
  double xStart = -1, xSpan = -1;
  bool follow = false;
  bool running = false;
  bool saveEnabled = false;
  bool unloaded = false;
  QStringList titles;

  void ShowTitle(const QString& text, const QColor& colour) override {
    title = text;
    titleColour = colour;
    titles << text;
  }
  void ShowLostData(const QString& text) override { lostData = text; }
  void ClearData() override {
    for (int c = 0; c < 3; ++c) seconds[c].clear(), values[c].clear();
  }
  void SetXAxis(double start, double span) override { xStart = start, xSpan = span; }
  void SetXAxisStart(double start) override { xStart = start; }
  void FollowData(bool on) override { follow = on; }
  void MarkersOff() override {}
  void KeepPoints(int perChannel) override { keepPoints = perChannel; }
  void AppendSamples(int c, const QVector<double>& s, const QVector<double>& v) override {
    seconds[c] += s;
    values[c] += v;
  }
  void LockSetup() override {}
  void ShowRunning() override { running = true; }
  void ShowStopped(bool save) override { running = false, saveEnabled = save; }
  void SetStartStopEnabled(bool) override {}
  void Unload() override { unloaded = true; }
};

struct RecordingProgram : basScope::ScopeEnvironment {
  bool connected = true;
  bool logonNeeded = false;
  bool maintenanceOpen = false;
  int16_t pollGroup = 1;
  QStringList calls;

  bool Connected() override { return connected; }
  bool TakeLogonNeeded() override { return std::exchange(logonNeeded, false); }
  void SendLogon() override { calls << "SendLogon"; }
  void WriteSelector(int c, int code) override {
    calls << QStringLiteral("WriteSelector(%1,%2)").arg(c).arg(code);
  }
  int16_t PollGroup() override { return pollGroup; }
  void SelectPollGroup(int16_t group) override {
    pollGroup = group;
    calls << QStringLiteral("PollGroup=%1").arg(group);
  }
  void SetPollGroups(int16_t interval) override {
    calls << QStringLiteral("SetPollGroups(%1)").arg(interval);
  }
  void Wait(double) override {}
  bool MaintenanceOpen() override { return maintenanceOpen; }
  void Maint_Interlock(bool starting) override {
    calls << QStringLiteral("Maint_Interlock(%1)").arg(starting);
  }
  void LockOtherCommands(bool capturing) override {
    calls << QStringLiteral("LockOtherCommands(%1)").arg(capturing);
  }
  void SetBusyPointer(bool) override {}
};

// The words of one scope poll: per channel its selector, its count and its samples.
inline std::vector<int16_t> PollWords(std::initializer_list<std::vector<int16_t>> channels) {
  std::vector<int16_t> words;
  for (const std::vector<int16_t>& samples : channels) {
    std::vector<int16_t> block(basScope::kBlockWords, 0);
    block[1] = static_cast<int16_t>(samples.size());
    for (size_t i = 0; i < samples.size() && i < 10; ++i) block[2 + i] = samples[i];
    words.insert(words.end(), block.begin(), block.end());
  }
  return words;
}

}  // namespace scopetest
