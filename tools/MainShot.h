#pragma once

#include "tools/Shot.h"

namespace vestrel::tools {

// The main window and the phone information dialog as the program makes them, on the
// built-in virtual phone: the main window with the phone's files listed and one row chosen,
// the information dialog with the phone's model, firmware and flex. Neither takes options.
std::unique_ptr<Scene> MakeMainScene(const QStringList& options);
std::unique_ptr<Scene> MakeInfoScene(const QStringList& options);

}  // namespace vestrel::tools
