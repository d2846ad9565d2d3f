#include "shell/ToolBarStrip.h"

#include <QPixmap>
#include <array>
#include <string_view>

namespace toolbar {

namespace {

// A filled letter S; its outline is what the button shows.
constexpr std::array<std::string_view, 11> kLetterS = {
    "..######..", ".########.", "###....###", "###.......", ".#####....", "..######..",
    "....#####.", ".......###", "###....###", ".########.", "..######..",
};

constexpr std::array<std::string_view, 11> kQuestion = {
    "..####..", ".######.", "##....##", "......##", ".....##.", "....##..",
    "...##...", "...##...", "........", "...##...", "...##...",
};

template <std::size_t N>
bool InMask(const std::array<std::string_view, N>& mask, int x, int y) {
    if (y < 0 || y >= static_cast<int>(N) || x < 0 || x >= static_cast<int>(mask[y].size())) return false;
    return mask[y][x] == '#';
}

void Fill(QImage& image, int x0, int y0, int x1, int y1, QRgb colour) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) image.setPixel(x, y, colour);
}

}  // namespace

QImage DrawStrip() {
    QImage strip(kButtonWidth * kButtonCount, kButtonHeight, QImage::Format_RGB32);
    strip.fill(kFace);

    // Plus, then minus: two-pixel strokes through the middle.
    Fill(strip, 3, 6, 12, 7, kInk);
    Fill(strip, 7, 2, 8, 11, kInk);
    Fill(strip, kButtonWidth + 3, 6, kButtonWidth + 12, 7, kInk);

    // S: the border pixels of the filled letter.
    const int sx = 2 * kButtonWidth + 3;
    for (int y = 0; y < static_cast<int>(kLetterS.size()); ++y) {
        for (int x = 0; x < static_cast<int>(kLetterS[y].size()); ++x) {
            if (!InMask(kLetterS, x, y)) continue;
            bool edge = !InMask(kLetterS, x - 1, y) || !InMask(kLetterS, x + 1, y) || !InMask(kLetterS, x, y - 1) ||
                        !InMask(kLetterS, x, y + 1);
            if (edge) strip.setPixel(sx + x, 2 + y, kInk);
        }
    }

    const int qx = 3 * kButtonWidth + 4;
    for (int y = 0; y < static_cast<int>(kQuestion.size()); ++y)
        for (int x = 0; x < static_cast<int>(kQuestion[y].size()); ++x)
            if (InMask(kQuestion, x, y)) strip.setPixel(qx + x, 2 + y, kQuestionInk);
    return strip;
}

QImage ButtonImage(const QImage& strip, int index) {
    return strip.copy(index * kButtonWidth, 0, kButtonWidth, kButtonHeight);
}

QIcon ButtonIcon(const QImage& strip, int index) {
    const QImage button = ButtonImage(strip, index);
    QIcon icon;
    for (int ratio = 1; ratio <= kMaxIconRatio; ++ratio) {
        QPixmap pixmap =
            QPixmap::fromImage(button.scaled(button.size() * ratio, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        pixmap.setDevicePixelRatio(ratio);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace toolbar
