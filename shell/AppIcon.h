#pragma once
// The program's icon: a 2 x 2 numbers board with its bottom-right cell empty,
// drawn in the board's own colours.

#include <QIcon>
#include <QImage>

namespace shell {

QImage DrawAppIcon(int size);
QIcon AppIcon();  // 16, 32 and 48 pixels

}  // namespace shell
