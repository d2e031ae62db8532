// Who hears of the poll handler's results. The poll handler (link/poll_groups) places each
// result into DriveImage and then tells whoever subscribed here, without naming them: the
// scope's intake, the maintenance screen, the jog window, the maintenance record. Subscribers
// run inside the poll handler's own error trap, in the order they first subscribed.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "portwright/modbus_atl.h"

namespace pollSubscription {

using ResultSubscriber =
    std::function<void(portwright::IModbusAtl& mod1, int16_t group, int16_t item, int16_t result)>;
using Subscriber = std::function<void()>;

// A subscriber is known by its name: subscribing again under the same name replaces it.
// Every result of the scope group (2), and the good results of the other groups once their
// words are in DriveImage.
void OnResult(const QString& name, ResultSubscriber subscriber);
// A poll the line failed (no reply, a port that can no longer be read or written) while the
// control polls, before the failure is counted towards a lost drive.
void OnFailedPoll(const QString& name, Subscriber subscriber);
// A connection's first reads are all in (InitComplete); told from the event loop right after
// the poll handler, so that a subscriber may wait for the technician or the drive.
void OnConnectionComplete(const QString& name, Subscriber subscriber);

// The poll handler's side.
void TellResult(portwright::IModbusAtl& mod1, int16_t group, int16_t item, int16_t result);
void TellFailedPoll();
void TellConnectionComplete();

}  // namespace pollSubscription
