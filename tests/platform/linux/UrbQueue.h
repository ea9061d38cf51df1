#pragma once

// The URBs one usbfs client submitted, as a umockdev ioctl handler keeps them: those answered
// wait to be reaped, the others until the client discards them. Not locked: the handler's own
// lock covers it. Takes over the reference to each URB's data it is given.
#include <umockdev.h>

#include <deque>

namespace vestrel::testing {

class UrbQueue {
 public:
  UrbQueue() = default;
  ~UrbQueue();
  UrbQueue(UrbQueue&& other) noexcept;
  UrbQueue& operator=(UrbQueue&& other) noexcept;

  // An answered URB, status and actual length set: the next reap hands it back.
  void finish(UMockdevIoctlData* urb) { done_.push_back(urb); }
  // A URB the device does not answer: it ends only when discarded.
  void hold(UMockdevIoctlData* urb) { waiting_.push_back(urb); }
  // USBDEVFS_REAPURB(NDELAY): the oldest answered URB, or EAGAIN.
  void reap(UMockdevIoctlClient* client);
  // USBDEVFS_DISCARDURB: a held URB ends with -ENOENT, keeping the actual length it had; EINVAL
  // for one not held.
  void discard(UMockdevIoctlClient* client);

 private:
  std::deque<UMockdevIoctlData*> done_;
  std::deque<UMockdevIoctlData*> waiting_;
};

}  // namespace vestrel::testing
