#include "backup/window/EventLoopShell.h"

#include <QEventLoop>
#include <thread>

namespace vestrel::backup {

std::optional<int> EventLoopShell::runProgram(const std::filesystem::path& program,
                                              const std::vector<std::string>& arguments,
                                              const std::filesystem::path& folder) {
  QEventLoop loop;
  std::optional<int> code;
  std::thread waiter([&] {
    code = shell_.runProgram(program, arguments, folder);
    // Queued, so it is seen even when the program ends before the loop has started.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  // The application's exit ends every loop, this one too: then the wait goes on without events.
  waiter.join();
  return code;
}

}  // namespace vestrel::backup
