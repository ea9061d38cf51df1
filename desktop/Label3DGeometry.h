#pragma once

#include <QPoint>
#include <QSize>
#include <vector>

namespace vestrel::desktop {

enum TTextStyle { tsNone, tsRaised, tsLightRaised, tsRecessed, tsHeavyRecessed, tsShadow };

// Which of the label's colours a text pass draws in.
enum class PassColour { Shadow, Highlight, Face };

struct TextPass {
  QPoint offset;
  PassColour colour;
};

// The passes that draw a caption in `style`, back to front; the face comes last.
std::vector<TextPass> textPasses(TTextStyle style, int shift);

// An angle in degrees brought into 0..360: negative ones are raised by 360, those above 360
// lowered by 360, as often as needed; 360 stays 360.
int normaliseEscapement(int degrees);

// Where text of size `text` turned by `angle` degrees (1..360) starts inside its rectangle,
// and the size of the turned text.
struct RotatedLayout {
  QPoint origin;
  QSize turned;
};
RotatedLayout rotatedLayout(int angle, QSize text);

}  // namespace vestrel::desktop
