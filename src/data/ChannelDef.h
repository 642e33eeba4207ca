#pragma once
#include <QString>

#include "data/CodeList.h"

// Fills the channel list (section "DATA_CHAN_" + language) and the CAN bus address list
// ("DATA_CANBUS_ADDR_" + language) from the channel definition file at path.
// 0 both filled; 2 a key beyond the 32-bit range or another unexpected failure;
// 3 a key that is not a plain decimal number (its label stays in the list, without code).
// A missing file or section leaves the list empty and is no failure.
int ChannelDef_ReadLists(const QString &path, const QString &language, CodeList &channels,
                         CodeList &canBus);
