#pragma once

// The screenshot tool: `vestrel-shot WINDOW [--screen] [OPTIONS] FILE.png` draws one window of
// the program as it looks on this desktop. Adding a window is one Scene and one line in
// Shot.cpp's table.

#include <QStringList>
#include <memory>

class QWidget;

namespace vestrel::tools {

// A window set up as its options ask, kept alive until the picture is taken.
class Scene {
 public:
  virtual ~Scene() = default;
  // The window to draw once the scene has settled; null when it is not shown (the tool then
  // writes no picture and fails).
  virtual QWidget* Window() = 0;
  // How long the window is given to settle (and a run to get going) before the picture.
  virtual int DelayMs() const { return 200; }
  // Called once the picture is taken, before the tool quits: a running backup is stopped and
  // a question answered here.
  virtual void Finish() {}
};

struct WindowShot {
  const char* name;     // the tool's first word
  const char* options;  // the window's own options, for the usage text
  // The scene for the window's options (--screen taken out); null when one is not understood.
  std::unique_ptr<Scene> (*make)(const QStringList& options);
};

}  // namespace vestrel::tools
