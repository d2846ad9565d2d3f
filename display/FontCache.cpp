#include "display/FontCache.h"

#include <fontconfig/fontconfig.h>

#include <QFontInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>

namespace display {
namespace {

// Request values as CreateFontA takes them.
constexpr int kFixedPitch = 1;
constexpr int kFamilyRoman = 0x10;
constexpr int kFamilySwiss = 0x20;
constexpr int kFamilyModern = 0x30;
constexpr int kFamilyScript = 0x40;
constexpr int kFamilyDecorative = 0x50;
constexpr int kNonAntialiasedQuality = 3;

// Height 0 asks for the default size.
constexpr int kDefaultCellHeight = 16;
// Far beyond any window; keeps a silly request from rendering giant glyphs.
constexpr int kMaxPixelSize = 4096;
// Distinct requests come from distinct cell sizes; a resize drag makes many.
constexpr std::size_t kMaxCached = 256;
// A font draws few distinct texts: the numbers of one board.
constexpr std::size_t kMaxMasks = 128;

struct FontHash {
    std::size_t operator()(const platform::Font& f) const {
        std::size_t h = std::hash<std::string>{}(f.face);
        for (int v : {f.height, f.width, f.weight, int(f.italic), int(f.underline), int(f.strikeOut), f.charSet,
                      f.outPrecision, f.clipPrecision, f.quality, f.pitchAndFamily}) {
            h = h * 1000003u ^ std::hash<int>{}(v);
        }
        return h;
    }
};

QFont BaseFont(const platform::Font& request) {
    QFont font;
    if (!request.face.empty()) {
        font.setFamily(QString::fromUtf8(request.face.data(), qsizetype(request.face.size())));
    }
    switch (request.pitchAndFamily & 0xF0) {
        case kFamilyRoman:
            font.setStyleHint(QFont::Serif);
            break;
        case kFamilySwiss:
            font.setStyleHint(QFont::SansSerif);
            break;
        case kFamilyModern:
            font.setStyleHint(QFont::Monospace);
            break;
        case kFamilyScript:
            font.setStyleHint(QFont::Cursive);
            break;
        case kFamilyDecorative:
            font.setStyleHint(QFont::Decorative);
            break;
        default:
            break;
    }
    // A named face wins over the pitch: the fixed-pitch hint would otherwise
    // let a monospaced face replace a proportional one that was asked for.
    if (request.face.empty() && (request.pitchAndFamily & 3) == kFixedPitch) {
        font.setStyleHint(QFont::Monospace);
        font.setFixedPitch(true);
    }
    const int weight = request.weight <= 0 ? 400 : std::min(request.weight, 1000);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(request.italic);
    font.setUnderline(request.underline);
    font.setStrikeOut(request.strikeOut);
    // Pixels on a surface, not a panel: grey-level edges only.
    font.setStyleStrategy(request.quality == kNonAntialiasedQuality ? QFont::NoAntialias : QFont::NoSubpixelAntialias);
    return font;
}

int CellHeight(QFont font, int pixelSize) {
    font.setPixelSize(pixelSize);
    QFontMetrics m(font);
    return m.ascent() + m.descent();
}

// The largest pixel size whose ascent + descent does not exceed the cell
// height; the cell height grows with the size but not strictly (hinting).
int PixelSizeForCell(const QFont& font, int cell) {
    const int reference = 100;
    const int referenceCell = std::max(1, CellHeight(font, reference));
    int size = std::clamp(int(std::int64_t(cell) * reference / referenceCell), 1, kMaxPixelSize);
    while (size > 1 && CellHeight(font, size) > cell) --size;
    while (size < kMaxPixelSize && CellHeight(font, size + 1) <= cell) ++size;
    return size;
}

std::shared_ptr<ResolvedFont> Resolve(const platform::Font& request) {
    QFont font = BaseFont(request);
    int pixelSize;
    if (request.height < 0) {
        pixelSize = request.height < -kMaxPixelSize ? kMaxPixelSize : -request.height;
    } else {
        pixelSize = PixelSizeForCell(
            font, request.height == 0 ? kDefaultCellHeight : std::min(request.height, 2 * kMaxPixelSize));
    }
    font.setPixelSize(pixelSize);
    if (request.width > 0) {
        // The width asked for is the average character width.
        const int average = QFontMetrics(font).averageCharWidth();
        if (average > 0) font.setStretch(std::clamp(request.width * 100 / average, 1, 4000));
    }
    QFontMetrics metrics(font);
    auto resolved = std::make_shared<ResolvedFont>(font, metrics);
    resolved->ascent = metrics.ascent();
    resolved->descent = metrics.descent();
    resolved->antialiased = request.quality != kNonAntialiasedQuality;
    return resolved;
}

std::shared_ptr<const TextMask> MakeMask(const ResolvedFont& f, const QString& text, double ratio) {
    // Room for glyphs that overhang their advance or the cell; the box is
    // taken from the character cell's top-left corner.
    const QRect ink = f.metrics.boundingRect(text).translated(0, f.ascent);
    const QRect box =
        ink.united(QRect(0, 0, f.metrics.horizontalAdvance(text), f.ascent + f.descent)).adjusted(-2, -2, 2, 2);
    // The same box on the device, whole pixels around it.
    const int deviceLeft = int(std::floor(box.left() * ratio));
    const int deviceTop = int(std::floor(box.top() * ratio));
    const int deviceRight = int(std::ceil((box.right() + 1) * ratio));
    const int deviceBottom = int(std::ceil((box.bottom() + 1) * ratio));
    QImage canvas(deviceRight - deviceLeft, deviceBottom - deviceTop, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::TextAntialiasing, f.antialiased);
    painter.setFont(f.font);
    painter.setPen(Qt::white);
    painter.translate(-deviceLeft, -deviceTop);
    if (ratio != 1.0) painter.scale(ratio, ratio);
    painter.drawText(0, f.ascent, text);
    painter.end();
    QImage coverage = canvas.convertToFormat(QImage::Format_Alpha8);

    int left = coverage.width(), top = coverage.height(), right = -1, bottom = -1;
    for (int y = 0; y < coverage.height(); ++y) {
        const uchar* row = coverage.constScanLine(y);
        for (int x = 0; x < coverage.width(); ++x) {
            if (row[x] == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    auto mask = std::make_shared<TextMask>();
    if (right >= 0) {
        mask->coverage = coverage.copy(left, top, right - left + 1, bottom - top + 1);
        mask->offset = QPoint(deviceLeft + left, deviceTop + top);
    }
    return mask;
}

}  // namespace

std::size_t ResolvedFont::MaskKeyHash::operator()(const MaskKey& k) const {
    return qHash(k.text) * 31u ^ std::hash<double>{}(k.ratio);
}

std::shared_ptr<const TextMask> ResolvedFont::Mask(const QString& text, double ratio) const {
    MaskKey key{text, ratio};
    if (auto it = masks_.find(key); it != masks_.end()) return it->second;
    if (masks_.size() >= kMaxMasks) masks_.clear();  // drawers keep their own copies
    auto mask = MakeMask(*this, text, ratio);
    masks_.emplace(std::move(key), mask);
    return mask;
}

int ResolvedFont::Advance(const QString& text) const {
    if (auto it = advances_.find(text); it != advances_.end()) return it->second;
    if (advances_.size() >= kMaxMasks) advances_.clear();
    const int advance = metrics.horizontalAdvance(text);
    advances_.emplace(text, advance);
    return advance;
}

QString MatchFamily(const std::string& face, const char* language) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    if (language && *language) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    QString family;
    FcChar8* name = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        family = QString::fromUtf8(reinterpret_cast<const char*>(name));
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return family;
}

std::shared_ptr<const ResolvedFont> ResolveFont(const platform::Font& request) {
    // Never destroyed: Qt's font database may be gone before static destructors run.
    static auto& cache = *new std::unordered_map<platform::Font, std::shared_ptr<const ResolvedFont>, FontHash>;
    if (auto it = cache.find(request); it != cache.end()) return it->second;
    if (cache.size() >= kMaxCached) cache.clear();  // contexts keep their own copies
    auto resolved = Resolve(request);
    cache.emplace(request, resolved);
    return resolved;
}

}  // namespace display
