#pragma once
// Resolving a font request into a Qt font (Qt header: platform/ and shell/ only).

#include <QFont>
#include <QFontMetrics>
#include <memory>

#include "platform/DeviceContext.h"

namespace platform {

struct ResolvedFont {
    QFont font;
    QFontMetrics metrics;
    int ascent = 0;
    int descent = 0;
    bool antialiased = true;
    int escapement = 0;  // tenths of a degree, counter-clockwise
};

// The Qt font for a request, resolved once per distinct request and shared
// afterwards: the board asks for the same font on every animation frame.
// Needs the GUI thread; makes the application if there is none yet.
std::shared_ptr<const ResolvedFont> ResolveFont(const Font& request);

}  // namespace platform
