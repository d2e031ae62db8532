#include "maint/maint_polls.h"

#include "core/app_state.h"
#include "core/poll_subscription.h"
#include "link/poll_groups.h"
#include "maint/frm_jog.h"
#include "maint/frm_maintenance.h"
#include "maint/maint_record.h"
#include "params/value_table.h"

namespace basMaint {
namespace {

using basFunctions::DriveImage;

// Who drives the digital outputs: forced outputs (P4.06 > 0) are under software control until
// the drive reports them back under its own control (status bit 1).
void showOutputControl(frmMaintenance* screen) {
  if (!screen) return;
  const int32_t forces = DriveImage.P(4, 6);
  if (forces < 0) return;
  screen->ShowOutputControl(forces == 0 || basMain::SoftwareOutputControl == 1);
}

// A good result of the maintenance group, on the screen of the connected drive's firmware.
void showMaintenanceResult(int16_t item) {
  frmMaintenance* screen = frmMaintenance::Open(basFunctions::LongFirmwareFrom21());
  if (item == 0 && screen) {
    constexpr int kWords[] = {2, 14, 26};
    constexpr int kLabels[] = {2, 3, 6};
    for (int k = 0; k < 3; ++k) screen->ShowStatusValue(kLabels[k], DriveImage.P(6, kWords[k]));
  }
  showOutputControl(screen);
}

}  // namespace

void SubscribeToPolls() {
  pollSubscription::OnResult(
      QStringLiteral("maintenance screen"),
      [](portwright::IModbusAtl&, int16_t group, int16_t item, int16_t /*result*/) {
        if (group == 3) showMaintenanceResult(item);
      });
  pollSubscription::OnFailedPoll(QStringLiteral("jog"), [] {
    if (frmJog* jog = frmJog::Instance()) jog->StopIfJogging();
  });
  pollSubscription::OnConnectionComplete(QStringLiteral("maintenance record"),
                                         &OfferLeftoverRestore);
}

}  // namespace basMaint
