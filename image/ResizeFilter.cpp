#include "image/ResizeFilter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/Image.h"
#include "image/Messages.h"
#include "platform/VectorState.h"

namespace {

// Tables of precomputed sample positions larger than this are not kept; such
// positions are worked out where they are used instead, with the same result.
constexpr std::size_t kMaxTableEntries = std::size_t{1} << 16;

int saturate(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

// A neighbour index limited to the picture, as a strict read limits it.
int limit_index(double v, int size) {
    if (!(v > 0)) return 0;  // NaN lands here too
    if (v >= size - 1) return size - 1;
    return static_cast<int>(v);
}

// The two pixels around a real position along one axis and the weight of
// the second. Pixel centres lie at half-integer positions.
struct Neighbours {
    int first = 0;
    int second = 0;
    double weight = 0;
};

Neighbours neighbours(double position, int size) {
    const double u = position - 0.5;
    const double low = std::floor(u);
    double high = std::ceil(u);
    if (high == low) high = low + 1;
    return {limit_index(low, size), limit_index(high, size), u - low};
}

double blend(int c00, int c10, int c01, int c11, double fx, double fy) {
    const double top = c00 + fx * (c10 - c00);
    const double bottom = c01 + fx * (c11 - c01);
    return top + fy * (bottom - top);
}

// Sub-sample k + step / n of one axis, mapped into the source. offset is the
// half margin in source units; outside the source the background shows.
struct AxisSample {
    bool inside = false;
    Neighbours at;
};

AxisSample axis_sample(int k, int step, int n, double scale, double offset, int size) {
    const double p = (k + static_cast<double>(step) / n) * scale - offset;
    if (!(p >= 0 && p < size)) return {};
    return {true, neighbours(p, size)};
}

struct Column {
    bool inside = false;
    std::size_t first = 0;  // byte offsets in a row
    std::size_t second = 0;
    double weight = 0;
};

struct Row {
    bool inside = false;
    const std::uint8_t* first = nullptr;
    const std::uint8_t* second = nullptr;
    double weight = 0;
};

// Samples a 24-bit source at n x n points per result pixel. Columns are
// worked out once per call and rows once per result row, so each sample
// costs four row reads and a blend.
class Sampler {
public:
    Sampler(const Image& source, int n, int margin_x, int margin_y, int width, int height)
        : source_(source),
          n_(n),
          sx_(static_cast<double>(source.width()) / (static_cast<double>(width) - margin_x)),
          sy_(static_cast<double>(source.height()) / (static_cast<double>(height) - margin_y)),
          offset_x_(margin_x * sx_ * 0.5),
          offset_y_(margin_y * sy_ * 0.5) {
        const std::size_t columns = static_cast<std::size_t>(width) * static_cast<std::size_t>(n);
        if (columns <= kMaxTableEntries) {
            columns_.reserve(columns);
            for (int x = 0; x < width; ++x) {
                for (int j = 0; j < n; ++j) columns_.push_back(column(x, j));
            }
        }
        if (static_cast<std::size_t>(n) <= kMaxTableEntries) rows_.resize(static_cast<std::size_t>(n));
    }

    // Fills one result row (blue-green-red triples).
    void fill_row(int y, int width, Color background, std::uint8_t* out) {
        for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i] = row(y, static_cast<int>(i));
        if (n_ == 1) {
            fill_row_once(width, background, out);
            return;
        }
        const double scale = 1.0 / (static_cast<double>(n_) * n_);
        for (int x = 0; x < width; ++x, out += 3) {
            double r = 0.0, g = 0.0, b = 0.0;
            for (int j = 0; j < n_; ++j) {
                const Column c = columns_.empty() ? column(x, j) : columns_[static_cast<std::size_t>(x) * n_ + j];
                for (int i = 0; i < n_; ++i) {
                    const Row w = rows_.empty() ? row(y, i) : rows_[static_cast<std::size_t>(i)];
                    if (c.inside && w.inside) {
                        const std::uint8_t* p00 = w.first + c.first;
                        const std::uint8_t* p10 = w.first + c.second;
                        const std::uint8_t* p01 = w.second + c.first;
                        const std::uint8_t* p11 = w.second + c.second;
                        r += blend(p00[2], p10[2], p01[2], p11[2], c.weight, w.weight);
                        g += blend(p00[1], p10[1], p01[1], p11[1], c.weight, w.weight);
                        b += blend(p00[0], p10[0], p01[0], p11[0], c.weight, w.weight);
                    } else {
                        r += background.red;
                        g += background.green;
                        b += background.blue;
                    }
                }
            }
            out[0] = channel(b, scale);
            out[1] = channel(g, scale);
            out[2] = channel(r, scale);
        }
    }

private:
    // One sample per pixel, the common case: the sum is the sample and the
    // scale is 1, so a channel is the sample rounded and the background
    // stays as it is.
    void fill_row_once(int width, Color background, std::uint8_t* out) const {
        const Row w = rows_.front();
        for (int x = 0; x < width; ++x, out += 3) {
            const Column c = columns_.empty() ? column(x, 0) : columns_[static_cast<std::size_t>(x)];
            if (c.inside && w.inside) {
                const std::uint8_t* p00 = w.first + c.first;
                const std::uint8_t* p10 = w.first + c.second;
                const std::uint8_t* p01 = w.second + c.first;
                const std::uint8_t* p11 = w.second + c.second;
                out[0] = channel(blend(p00[0], p10[0], p01[0], p11[0], c.weight, w.weight), 1.0);
                out[1] = channel(blend(p00[1], p10[1], p01[1], p11[1], c.weight, w.weight), 1.0);
                out[2] = channel(blend(p00[2], p10[2], p01[2], p11[2], c.weight, w.weight), 1.0);
            } else {
                out[0] = background.blue;
                out[1] = background.green;
                out[2] = background.red;
            }
        }
    }

    // Rounded and limited to 0..255; limiting before truncating gives the
    // same value and needs no branch (NaN, which no sum gives, becomes 0).
    static std::uint8_t channel(double sum, double scale) {
        const double v = sum * scale + 0.5;
        return static_cast<std::uint8_t>(std::min(std::max(0.0, v), 255.0));
    }

    Column column(int x, int j) const {
        const AxisSample s = axis_sample(x, j, n_, sx_, offset_x_, source_.width());
        if (!s.inside) return {};
        return {true, 3 * static_cast<std::size_t>(s.at.first), 3 * static_cast<std::size_t>(s.at.second), s.at.weight};
    }

    Row row(int y, int i) const {
        const AxisSample s = axis_sample(y, i, n_, sy_, offset_y_, source_.height());
        if (!s.inside) return {};
        return {true, source_.scanline(s.at.first), source_.scanline(s.at.second), s.at.weight};
    }

    const Image& source_;
    const int n_;
    const double sx_;
    const double sy_;
    const double offset_x_;
    const double offset_y_;
    std::vector<Column> columns_;  // x * n + j; empty when too large to keep
    std::vector<Row> rows_;        // the current result row's; empty when too large
};

// Gives result the source's format, palette and flags, as a copy would,
// without copying pixels that the new size replaces anyway.
void take_format(const Image& source, Image& result) {
    if (!source.is_created()) throw exec_error(messages::kExecError);
    if (source.is_grayscale()) {
        // The flag changes the format of a copy; let the copy decide.
        result.assign(source);
        return;
    }
    result.clear();
    result.init_header();
    result.set_bit_count(source.bit_count());
    const std::uint32_t entries = std::min<std::uint32_t>(result.palette_size(), 256);
    for (std::uint32_t i = 0; i < entries; ++i) {
        result.set_palette_color(static_cast<int>(i), source.palette_color(static_cast<int>(i)));
    }
}

}  // namespace

ResizeFilter::ResizeFilter(Size target_, bool keep_aspect_, bool letterbox_, Color background_, int samples_)
    : target(target_),
      keep_aspect(keep_aspect_),
      letterbox(letterbox_),
      background(background_),
      samples(std::max(samples_, 1)) {}

ResizeFilter::~ResizeFilter() = default;

bool ResizeFilter::execute(ImageList::const_iterator first, ImageList::const_iterator last, ImageResults& out) {
    // An empty input is refused like an image without pixels.
    if (first == last || *first == nullptr) throw Image::not_support();
    const Image& source = **first;
    if (!source.is_created() || source.bit_count() != 24) throw Image::not_support();
    auto result = std::make_unique<Image>();
    if (!resample(source, *result)) return false;
    out.push_back(std::move(result));
    return true;
}

void ResizeFilter::fit_size(const Image& source, int& width, int& height, int& margin_x, int& margin_y) const {
    const std::int64_t sw = source.width();
    const std::int64_t sh = source.height();
    if (sw <= 0 || sh <= 0) return;  // no proportions to keep
    const double t = static_cast<double>(target.cx) / target.cy;
    const double s = static_cast<double>(sw) / static_cast<double>(sh);
    // 64-bit products: huge sizes must not overflow on the way.
    if (t > s) {
        const std::int64_t fitted = sw * height / sh;
        if (letterbox) {
            margin_x = saturate(width - fitted);
        } else {
            width = fitted == 0 ? 1 : saturate(fitted);
        }
    } else {
        const std::int64_t fitted = sh * width / sw;
        if (letterbox) {
            margin_y = saturate(height - fitted);
        } else {
            height = fitted == 0 ? 1 : saturate(fitted);
        }
    }
}

ResizeFilter::Sample ResizeFilter::bilinear_sample(const Image& source, double x, double y) {
    if (!source.is_created() || source.bit_count() != 24) throw Image::not_support();
    const Neighbours cx = neighbours(x, source.width());
    const Neighbours cy = neighbours(y, source.height());
    const std::uint8_t* top = source.scanline(cy.first);
    const std::uint8_t* bottom = source.scanline(cy.second);
    const std::size_t left = 3 * static_cast<std::size_t>(cx.first);
    const std::size_t right = 3 * static_cast<std::size_t>(cx.second);
    Sample s;
    s.red = blend(top[left + 2], top[right + 2], bottom[left + 2], bottom[right + 2], cx.weight, cy.weight);
    s.green = blend(top[left + 1], top[right + 1], bottom[left + 1], bottom[right + 1], cx.weight, cy.weight);
    s.blue = blend(top[left], top[right], bottom[left], bottom[right], cx.weight, cy.weight);
    return s;
}

bool ResizeFilter::resample(const Image& source, Image& result) {
    if (&source == &result) {
        // The new pixel memory would replace the pixels still to be read.
        Image original(std::move(result));
        return resample(original, result);
    }
    post_caption(captions::kResizing);
    take_format(source, result);

    int width = target.cx;
    int height = target.cy;
    int margin_x = 0;
    int margin_y = 0;
    if (keep_aspect) fit_size(source, width, height, margin_x, margin_y);
    result.set_width(width);
    result.set_height(height);
    result.create();
    // Only 24-bit pixels are read and written.
    if (source.bit_count() != 24 || result.bit_count() != 24) throw Image::not_support();

    Sampler sampler(source, samples, margin_x, margin_y, width, height);
    // The blends are scalar SSE: a window's fill just before would leave them at half speed.
    platform::ClearUpperVectorState();
    for (int y = 0; y < height; ++y) {
        sampler.fill_row(y, width, background, result.scanline(y));
        if (take_cancel()) return false;
        post_progress(static_cast<int>(std::int64_t{y} * 100 / height));
    }
    return true;
}
