#include "tests/platform/linux/UrbQueue.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <cerrno>
#include <utility>

namespace vestrel::testing {

UrbQueue::~UrbQueue() {
  for (auto* urb : done_) g_object_unref(urb);
  for (auto* urb : waiting_) g_object_unref(urb);
}

UrbQueue::UrbQueue(UrbQueue&& other) noexcept
    : done_(std::exchange(other.done_, {})), waiting_(std::exchange(other.waiting_, {})) {}

UrbQueue& UrbQueue::operator=(UrbQueue&& other) noexcept {
  std::swap(done_, other.done_);
  std::swap(waiting_, other.waiting_);
  return *this;
}

void UrbQueue::reap(UMockdevIoctlClient* client) {
  if (done_.empty()) {
    umockdev_ioctl_client_complete(client, -1, EAGAIN);
    return;
  }
  UMockdevIoctlData* urb = done_.front();
  done_.pop_front();
  UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                           sizeof(gpointer), nullptr);
  umockdev_ioctl_data_set_ptr(pointer, 0, urb);
  g_object_unref(pointer);
  g_object_unref(urb);
  umockdev_ioctl_client_complete(client, 0, 0);
}

void UrbQueue::discard(UMockdevIoctlClient* client) {
  const gulong address = *reinterpret_cast<gulong*>(umockdev_ioctl_client_get_arg(client)->data);
  for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
    if ((*it)->client_addr != address) continue;
    reinterpret_cast<usbdevfs_urb*>((*it)->data)->status = -ENOENT;
    done_.push_back(*it);
    waiting_.erase(it);
    umockdev_ioctl_client_complete(client, 0, 0);
    return;
  }
  umockdev_ioctl_client_complete(client, -1, EINVAL);
}

}  // namespace vestrel::testing
