#pragma once

// The screenshot tool: `vestrel-shot WINDOW [OPTIONS] FILE.png` draws one window of the program
// as it looks on this desktop. Adding a window is one Scene and one line in Shot.cpp's table.

#include <QStringList>
#include <memory>

class QWidget;

namespace vestrel::tools {

// A window set up as its options ask, kept alive until the picture is taken.
class Scene {
 public:
  virtual ~Scene() = default;
  virtual QWidget& Window() = 0;
  // The whole screen instead of the window alone (to show the tray icon beside it).
  virtual bool WholeScreen() const { return false; }
  // How long the window is given to settle (and a run to get going) before the picture.
  virtual int DelayMs() const { return 200; }
  // Called once the picture is taken, before the tool quits: a running backup is stopped here.
  virtual void Finish() {}
};

struct WindowShot {
  const char* name;     // the tool's first word
  const char* options;  // for the usage text
  // The scene for the window's options; null when an option is not understood.
  std::unique_ptr<Scene> (*make)(const QStringList& options);
};

std::unique_ptr<Scene> MakeAboutScene(const QStringList& options);

}  // namespace vestrel::tools
