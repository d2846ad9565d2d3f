#pragma once
// The tool bar's picture: one strip of 16 x 15 button images, in button
// order: plus, minus, outlined S, question mark.

#include <QIcon>
#include <QImage>

namespace toolbar {

inline constexpr int kButtonWidth = 16;
inline constexpr int kButtonHeight = 15;
inline constexpr int kButtonCount = 4;

inline constexpr QRgb kFace = qRgb(192, 192, 192);
inline constexpr QRgb kInk = qRgb(0, 0, 0);
inline constexpr QRgb kQuestionInk = qRgb(255, 255, 0);

QImage DrawStrip();
// Image index of the strip, cut out.
QImage ButtonImage(const QImage& strip, int index);
// The button's icon, with a picture for every whole screen ratio up to
// kMaxIconRatio: each strip pixel a square of device pixels, so the tool bar
// stays crisp on a high-density screen instead of being smoothed.
inline constexpr int kMaxIconRatio = 3;
QIcon ButtonIcon(const QImage& strip, int index);

}  // namespace toolbar
