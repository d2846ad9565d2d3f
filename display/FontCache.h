#pragma once
// Resolving a font request into a Qt font (Qt header: display/, framework/ and
// shell/ only).

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPoint>
#include <QString>
#include <memory>
#include <unordered_map>

#include "platform/DeviceContext.h"

namespace display {

// The coverage of a text's glyphs, 0 to 255 per device pixel, trimmed to its
// ink.
struct TextMask {
    QImage coverage;  // Format_Alpha8; null when the text leaves no ink
    QPoint offset;    // of its top-left pixel from the character cell's top-left, in device pixels
};

struct ResolvedFont {
    ResolvedFont(const QFont& f, const QFontMetrics& m) : font(f), metrics(m) {}

    QFont font;
    QFontMetrics metrics;
    int ascent = 0;
    int descent = 0;
    bool antialiased = true;

    // Large glyphs are rasterised as paths on every draw, which is far too
    // slow for an animation frame; a text's coverage is made once and kept.
    // ratio is device pixels per logical pixel: the glyphs are rasterised at
    // the device's resolution, not enlarged afterwards.
    std::shared_ptr<const TextMask> Mask(const QString& text, double ratio = 1.0) const;
    // The horizontal advance, kept too: shaping a text costs microseconds.
    int Advance(const QString& text) const;

private:
    struct MaskKey {
        QString text;
        double ratio;
        bool operator==(const MaskKey&) const = default;
    };
    struct MaskKeyHash {
        std::size_t operator()(const MaskKey& k) const;
    };
    mutable std::unordered_map<MaskKey, std::shared_ptr<const TextMask>, MaskKeyHash> masks_;
    mutable std::unordered_map<QString, int> advances_;
};

// The Qt font for a request, resolved once per distinct request and shared
// afterwards: the board asks for the same font on every animation frame.
// Needs the Qt GUI application, which the program makes first.
std::shared_ptr<const ResolvedFont> ResolveFont(const platform::Font& request);

// The installed family fontconfig puts in the place of face for text in
// language (an RFC 3066 tag, "ja"): a face named by a program written for
// another desktop resolves to the local face that covers that language.
// Empty when fontconfig has no font at all.
QString MatchFamily(const std::string& face, const char* language);

}  // namespace display
