// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tick steps aside while a command holds the meter (device::MeterUse):
// it is stopped when the first hold starts and started again, with
// device::TickIntervalMs, when the last one ends. Window code (qv_ui).
class QTimer;

// Watches the holds for as long as `tick` exists.
void StopTickWhileMeterInUse(QTimer& tick);
