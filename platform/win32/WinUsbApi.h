#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <winusb.h>

namespace vestrel::platform {

// The WinUSB calls the phone's WinUSB handle makes, as a table, so a test can stand a phone of
// its own behind them where WinUSB has no device to drive. Each entry has WinUSB's own
// signature and meaning: FALSE with the reason in GetLastError on failure.
struct WinUsbApi {
  decltype(&WinUsb_Initialize) initialize;
  decltype(&WinUsb_Free) free;
  decltype(&WinUsb_QueryInterfaceSettings) queryInterfaceSettings;
  decltype(&WinUsb_QueryPipe) queryPipe;
  decltype(&WinUsb_SetPipePolicy) setPipePolicy;
  decltype(&WinUsb_ControlTransfer) controlTransfer;
  decltype(&WinUsb_ReadPipe) readPipe;
  decltype(&WinUsb_WritePipe) writePipe;
  decltype(&WinUsb_ResetPipe) resetPipe;
  decltype(&WinUsb_AbortPipe) abortPipe;
};

// The system's winusb.dll.
const WinUsbApi& SystemWinUsb();

}  // namespace vestrel::platform
