#pragma once

// The phone link: finds phones in their three USB modes and speaks each mode's protocol.
//
// A mode component (TMotoP2KMode, TMotoFlashMode, TMotoATMode) owns a device list that keeps
// one item per present phone of its mode, refreshed on every device-change notice and whenever
// its owner calls Refresh. Items are shared: an operation in progress keeps its item alive even
// when a refresh drops it from the list. Every phone operation returns a boolean or a count and
// reports exactly one line through the item's debug handler; none throws.
//
// Everything here talks to the host only through platform::DeviceBus and platform::Clock, so
// the same code drives a real phone and the virtual one.

#include "phonelink/DriverRequests.h"
#include "phonelink/ModemFamily.h"
#include "phonelink/ModemItem.h"
#include "phonelink/MotoATMode.h"
#include "phonelink/MotoFlashMode.h"
#include "phonelink/MotoP2KMode.h"
#include "phonelink/MotoSysUtils.h"
#include "phonelink/USBCtrls.h"
