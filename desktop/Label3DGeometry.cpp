#include "desktop/Label3DGeometry.h"

#include <cmath>
#include <numbers>

namespace vestrel::desktop {
namespace {

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }
double sinDeg(double degrees) { return std::sin(radians(degrees)); }
double cosDeg(double degrees) { return std::cos(radians(degrees)); }
// Truncation toward zero, after rounding away the error of sin and cos at whole angles.
int truncated(double value) {
  return static_cast<int>(std::trunc(value + (value < 0 ? -1e-9 : 1e-9)));
}

}  // namespace

std::vector<TextPass> textPasses(TTextStyle style, int shift) {
  std::vector<TextPass> passes;
  switch (style) {
    case tsNone:
      break;
    case tsRaised:
      passes.push_back({{1, 1}, PassColour::Shadow});
      break;
    case tsLightRaised:
      passes.push_back({{1, 1}, PassColour::Shadow});
      passes.push_back({{-1, -1}, PassColour::Highlight});
      break;
    case tsRecessed:
      passes.push_back({{1, 1}, PassColour::Highlight});
      break;
    case tsHeavyRecessed:
      passes.push_back({{1, 1}, PassColour::Highlight});
      passes.push_back({{-1, -1}, PassColour::Shadow});
      break;
    case tsShadow:
      passes.push_back({{shift, shift}, PassColour::Shadow});
      break;
  }
  passes.push_back({{0, 0}, PassColour::Face});
  return passes;
}

int normaliseEscapement(int degrees) {
  // The remainder keeps huge values from looping; the result equals repeated steps of 360.
  if (degrees < 0) return (degrees % 360 + 360) % 360;
  if (degrees > 360) return (degrees - 1) % 360 + 1;
  return degrees;
}

RotatedLayout rotatedLayout(int a, QSize text) {
  const double w = text.width();
  const double h = text.height();
  QPoint origin;
  if (a <= 90) {
    origin = {0, truncated(sinDeg(a) * w)};
  } else if (a <= 180) {
    origin = {truncated(-cosDeg(a) * w), truncated(sinDeg(a) * w + cosDeg(180 - a) * h)};
  } else if (a <= 270) {
    origin = {truncated(-cosDeg(a) * w + sinDeg(a - 180) * h), truncated(sinDeg(270 - a) * h)};
  } else {
    origin = {truncated(sinDeg(360 - a) * h), 0};
  }
  QSize turned(std::abs(truncated(cosDeg(a) * w)) + std::abs(truncated(sinDeg(a) * h)),
               std::abs(truncated(sinDeg(a) * w)) + std::abs(truncated(cosDeg(a) * h)));
  return {origin, turned};
}

}  // namespace vestrel::desktop
