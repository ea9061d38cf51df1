#include "platform/win32/WinUsbApi.h"

namespace vestrel::platform {

const WinUsbApi& SystemWinUsb() {
  static const WinUsbApi api{
      WinUsb_Initialize, WinUsb_Free,          WinUsb_QueryInterfaceSettings,
      WinUsb_QueryPipe,  WinUsb_SetPipePolicy, WinUsb_ControlTransfer,
      WinUsb_ReadPipe,   WinUsb_WritePipe,     WinUsb_ResetPipe,
      WinUsb_AbortPipe,
  };
  return api;
}

}  // namespace vestrel::platform
