#include "shell/AppIcon.h"

#include <QPainter>

#include "board/BoardCell.h"

namespace shell {

namespace {
QColor Colour(platform::Rgb c) { return QColor(c.red, c.green, c.blue); }
}  // namespace

QImage DrawAppIcon(int size) {
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Colour(board::kBackground));
    QPainter painter(&icon);
    const int margin = std::max(1, size / 16);
    const int cell = (size - 2 * margin) / 2;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            if (row == 1 && column == 1)
                continue;  // the empty cell
            QRect tile(margin + column * cell, margin + row * cell, cell - 1, cell - 1);
            painter.fillRect(tile, Colour(board::kTileFace));
            painter.setPen(Colour(board::kFrameTopLeft));
            painter.drawLine(tile.topLeft(), tile.topRight());
            painter.drawLine(tile.topLeft(), tile.bottomLeft());
            painter.setPen(Colour(board::kFrameBottomRight));
            painter.drawLine(tile.bottomLeft(), tile.bottomRight());
            painter.drawLine(tile.topRight(), tile.bottomRight());
        }
    }
    return icon;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
    return icon;
}

}  // namespace shell
