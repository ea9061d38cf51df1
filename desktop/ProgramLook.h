#pragma once

class QApplication;

namespace vestrel::desktop {

// What every window of the program shares: the project's icon in the title bars (and the
// notification area's fallback image), and Qt's own Russian texts for the standard dialogs and
// buttons. Called once by the program's entry, right after the application object is made and
// before any window; it never fails: without the installed translation Qt's texts stay English.
void ApplyProgramLook(QApplication& application);

}  // namespace vestrel::desktop
