#pragma once

#include <QString>

#include "phonefiles/PhoneFiles.h"

namespace vestrel::mainwindow {

// Why a file action failed, in the window's Russian, from the failure's kind: the file's name is
// the caller's to put before it, so the reason never repeats it. The phone layer's English
// message stays for vestrel-cli and the trace.
QString FailureReason(const phonefiles::Result& result);

}  // namespace vestrel::mainwindow
