// Catalogue load plus LoadTab for the full row set (165 rows: P0.00..P4.23) with the specified
// pauses taken out: what the editor itself costs, offscreen, in a private program folder.
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app_harness.h"
#include "core/status.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

int main(int argc, char** argv) {
  apptest::PrepareProcessEnvironment();
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
  apptest::ProgramFolder folder;
  prompt::ScriptReplies({});
  frmMain main;
  frmTabConfig* editor = frmTabConfig::instance();
  basFunctions::PauseScale = 0;
  basFunctions::ConfigIdentity.revision = QStringLiteral("210");
  std::vector<double> load, fill;
  for (int run = 0; run < runs; ++run) {
    basFunctions::WorkingConfig.P(1, 31) = 21;
    QElapsedTimer clock;
    clock.start();
    if (!basFunctions::getParamData(editor, QStringLiteral("qryTabParams"), 21, 210)) {
      std::printf("catalogue load failed\n");
      return 1;
    }
    load.push_back(clock.nsecsElapsed() / 1e6);
    // A configuration that differs from the defaults in every parameter, as an opened file
    // does: every row's text changes and runs the change handling.
    for (int group = 0; group < 5; ++group)
      for (int number = 0; number < 100; ++number)
        basFunctions::WorkingConfig.P(group, number) += 1;
    clock.restart();
    main.LoadTab();
    fill.push_back(clock.nsecsElapsed() / 1e6);
  }
  std::vector<double> total(load.size());
  for (size_t i = 0; i < load.size(); ++i) total[i] = load[i] + fill[i];
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::printf(
      "catalogue load %.1f ms + LoadTab %.1f ms = %.1f ms median over %d runs, 165 rows, "
      "revision 2.10, pauses taken out (target < 50 ms)\n",
      median(load), median(fill), median(total), runs);
  return 0;
}
