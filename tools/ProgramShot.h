#pragma once

#include "tools/Shot.h"

namespace vestrel::tools {

// The program's own windows as it makes them, on the built-in virtual phone, with the tray
// icon it adds: the main window with the phone's files listed and one row chosen, the phone
// information dialog, the About box, and the main window's question before a file is deleted
// (answered No once it is drawn, so the phone keeps its file).
enum class ProgramWindow { Main, Info, About, DeleteQuestion };

// The scene of one of them; none takes options, so any option gives null.
template <ProgramWindow window>
std::unique_ptr<Scene> MakeProgramScene(const QStringList& options);

}  // namespace vestrel::tools
