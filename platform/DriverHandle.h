#pragma once

#include <cstdint>
#include <span>

#include "platform/OsError.h"

namespace vestrel::platform {

// The three control codes of the phone's USB driver. Buffer layouts:
//   IOCTL_P2K_CONTROL, host to device: 8-byte setup packet (16-bit fields low byte first) and
//     the data stage; output 5 bytes, unused.
//   IOCTL_P2K_CONTROL, device to host: setup packet and one zero byte; output: 4 driver bytes,
//     then the device's data stage (at most 4101 bytes in all).
//   IOCTL_P2K_WRITE: type byte, 32-bit length n low byte first, n data bytes; passed size n + 6.
//   IOCTL_P2K_READ: type byte, 32-bit wanted size low byte first; output: 4 driver bytes, then
//     the data read (at most 4101 bytes in all).
inline constexpr std::uint32_t IOCTL_P2K_CONTROL = 0x80002014;
inline constexpr std::uint32_t IOCTL_P2K_WRITE = 0x80002018;
inline constexpr std::uint32_t IOCTL_P2K_READ = 0x8000201C;

// How the wait on a request's event ended.
enum class Wait { Signalled, Timeout, Failed };

// What the operating system said about one driver request. Every backend gives one of these
// shapes (tests/platform/DriverHandleContract.h holds them to it):
//   done:        callOk, Signalled, resultOk, bytesReturned as the code's layout says
//   failed:      !callOk, Signalled, !resultOk, 0 bytes, error (a stall, a refused request)
//   timed out:   !callOk, Timeout, !resultOk, 0 bytes, error; the request is left for cancelIo.
//                A block read may instead return the bytes that came before the wait ran out
//                (driver bytes and data, as when done); a backend that cannot tell gives 0.
//   device gone: !callOk, Failed, !resultOk, 0 bytes, error (unplugged, stale or closed handle)
// The call's own result is that of a finished request; after a time-out nothing finished, and
// it is false.
struct IoOutcome {
  bool callOk = false;  // the request call itself succeeded
  Wait wait = Wait::Failed;
  bool resultOk = false;  // the overlapped result, asked without waiting after a signalled wait
  std::uint32_t bytesReturned = 0;
  OsError error;  // the OS's reason whenever the request did not succeed
};

// One open handle of the phone's USB driver. Calls block until their wait ends; one handle
// never has two requests outstanding. A backend only moves bytes: judging an outcome is the
// caller's job.
class DriverHandle {
 public:
  virtual ~DriverHandle() = default;
  // One request: `input` as the driver takes it, up to output.size() bytes back, waiting at
  // most `waitMs` for completion.
  virtual IoOutcome ioControl(std::uint32_t code, std::span<const std::uint8_t> input,
                              std::span<std::uint8_t> output, std::uint32_t waitMs) = 0;
  // Cancels whatever request of this handle is still pending.
  virtual void cancelIo() = 0;
  // Closes the handle; the reason when the system refused. A closed handle fails every request
  // as a device that is gone.
  virtual OsError close() = 0;
};

}  // namespace vestrel::platform
