#pragma once

// Serves one usbfs node of a umockdev testbed from a log in the format `umockdev-record --ioctl`
// writes ("@DEV" and "#" lines, then one record a line: ioctl name, its result, and for a
// reaped URB type, endpoint, status, flags, buffer length, actual length, error count and the
// buffer in hex). As umockdev's own replay does, each submitted URB is matched against the
// log's reaped URBs starting where the last match was; one found only behind it (the recorder
// keeps a URB equal to an earlier one once) is answered by the latest such record, and the
// position stays where it was. Unlike umockdev's replay, a control
// URB that reads from the device is matched by its setup packet alone and gets its recorded data
// stage back: umockdev compares the whole buffer of an endpoint-0 URB, reply included, and
// copies nothing back, so a phone's control replies do not replay there.

#include <umockdev.h>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "tests/platform/linux/UrbQueue.h"

namespace vestrel::testing {

class IoctlLogReplay {
 public:
  // Reads the log; throws std::runtime_error naming a line that is no record of the format.
  explicit IoctlLogReplay(const std::filesystem::path& log);
  ~IoctlLogReplay();
  IoctlLogReplay(const IoctlLogReplay&) = delete;
  IoctlLogReplay& operator=(const IoctlLogReplay&) = delete;

  // The node the log's "@DEV" line names ("" when it has none).
  const std::string& node() const { return node_; }
  // Serves `node` of `testbed` from now on; the testbed must go before this object.
  void attach(UMockdevTestbed* testbed, const std::string& node);

  // The setup packets of the control URBs submitted so far, in order.
  std::vector<std::vector<std::uint8_t>> controlSetups() const;
  // How many submitted URBs no record matched; those are never answered, as by a silent device.
  std::size_t unmatched() const;

 private:
  struct Record {
    std::string ioctl;
    int result = 0;
    unsigned type = 0;
    unsigned endpoint = 0;
    int status = 0;
    unsigned flags = 0;
    int bufferLength = 0;
    int actualLength = 0;
    int errorCount = 0;
    std::vector<std::uint8_t> data;  // the URB's buffer, or a plain ioctl's argument
  };

  static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  bool handle(UMockdevIoctlClient* client);
  void answerFromRecord(UMockdevIoctlClient* client, const char* name);
  void submit(UMockdevIoctlClient* client);

  std::string node_;
  std::vector<Record> records_;
  std::size_t next_ = 0;  // where the search for the next URB's record starts
  UMockdevIoctlBase* handler_;
  mutable std::mutex mutex_;  // the handler runs on umockdev's worker thread
  UrbQueue urbs_;
  std::vector<std::vector<std::uint8_t>> controlSetups_;
  std::size_t unmatched_ = 0;
};

}  // namespace vestrel::testing
