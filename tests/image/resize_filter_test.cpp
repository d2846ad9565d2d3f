// Scaling: the fitted box, where picture and background show, the half-pixel
// shift, byte equality with the plain per-pixel scaling, refusals, progress
// and cancel.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "image/ResizeFilter.h"
#include "platform/PostedMessage.h"
#include "tests/image/resize_reference.h"

namespace {

const Color kWhite(255, 255, 255), kInk(10, 200, 30);

Image picture(int width, int height, unsigned seed, bool created = true) {  // seed 0: all kInk
    Image image;
    image.init_header();
    image.set_width(width);
    image.set_height(height);
    image.set_bit_count(24);
    if (!created) return image;
    image.create();
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.set_color(Point(x, y), seed ? Color(random() % 256, random() % 256, random() % 256) : kInk, true);
    return image;
}

std::unique_ptr<Image> scale(ResizeFilter& filter, Image* source, bool* done = nullptr) {
    ImageFilter::ImageList in{source};
    ImageFilter::ImageResults out;
    const bool finished = filter.execute(in.begin(), in.end(), out);
    if (done) *done = finished;
    EXPECT_EQ(out.size(), finished ? 1u : 0u);
    return out.empty() ? nullptr : std::move(out.front());
}

class OpenFilter : public ResizeFilter {
public:
    using ResizeFilter::resample;
    using ResizeFilter::ResizeFilter;
};

}  // namespace

TEST(ResizeFit, BoxTakesTheSourceProportionsWithoutOverflow) {
    struct {
        int sw, sh, cx, cy;
        bool letterbox;
        int width, height, margin_x, margin_y;
    } cases[] = {
        {640, 480, 300, 300, true, 300, 300, 0, 75},
        {640, 480, 300, 300, false, 300, 225, 0, 0},
        {100, 400, 300, 300, false, 75, 300, 0, 0},
        {100, 400, 300, 300, true, 300, 300, 225, 0},
        {1, 1000, 300, 1, false, 1, 1, 0, 0},
        {1, 1000, 300, 1, true, 300, 1, 300, 0},
        {200, 100, 300, 150, true, 300, 150, 0, 0},
        {7, 3, 10, 4, true, 10, 4, 1, 0},
        {100000, 60000, 40000, 40000, false, 40000, 24000, 0, 0},
        {100000, 60000, 40000, 40000, true, 40000, 40000, 0, 16000},
        {60000, 100000, 40000, 40000, false, 24000, 40000, 0, 0},
        {1, 1000000, 4096, -1, false, 4096, INT_MAX, 0, 0},  // too tall to make, not wrapped round
        {0, 0, 300, 300, true, 300, 300, 0, 0},              // no picture: nothing to keep
    };
    for (const auto& c : cases) {
        const Image source = c.sw > 0 ? picture(c.sw, c.sh, 0, false) : Image();
        int w = c.cx, h = c.cy, mx = 0, my = 0;
        ResizeFilter(Size(c.cx, c.cy), true, c.letterbox, kWhite, 1).fit_size(source, w, h, mx, my);
        EXPECT_EQ(std::vector<int>({w, h, mx, my}), std::vector<int>({c.width, c.height, c.margin_x, c.margin_y}))
            << c.sw << "x" << c.sh << " into " << c.cx << "x" << c.cy;
    }
}

TEST(ResizeFilterTest, PictureShowsOnlyBetweenTheMarginsAndNeverWithoutThem) {
    struct {
        int sw, sh, cx, cy;
        bool keep, letterbox;
        int samples, width, height;
        int top, bottom, left, right;  // the picture's pixels, inclusive
    } cases[] = {
        {640, 480, 300, 300, true, true, 1, 300, 300, 38, 262, 0, 299},
        {480, 640, 300, 300, true, true, 1, 300, 300, 0, 299, 38, 262},
        {7, 3, 10, 4, true, true, 1, 10, 4, 0, 3, 1, 9},  // odd margin: half a column each side
        {640, 480, 300, 300, true, false, 2, 300, 225, 0, 224, 0, 299},
        {100, 400, 300, 300, true, false, 3, 75, 300, 0, 299, 0, 74},
        {640, 480, 300, 300, false, true, 3, 300, 300, 0, 299, 0, 299},
        {1, 1000, 300, 1, true, false, 1, 1, 1, 0, 0, 0, 0},
        {1, 1000, 300, 1, true, true, 1, 300, 1, 0, 0, 1, 0},  // no column wide enough to show it
    };
    for (const auto& c : cases) {
        Image source = picture(c.sw, c.sh, 0);
        ResizeFilter filter(Size(c.cx, c.cy), c.keep, c.letterbox, kWhite, c.samples);
        const auto result = scale(filter, &source);
        ASSERT_EQ(Size(result->width(), result->height()), Size(c.width, c.height));
        int wrong = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const bool shown = y >= c.top && y <= c.bottom && x >= c.left && x <= c.right;
                wrong += !(result->get_color(Point(x, y), true) == (shown ? kInk : kWhite));
            }
        EXPECT_EQ(wrong, 0) << c.sw << "x" << c.sh << " into " << c.cx << "x" << c.cy;
    }
}

TEST(ResizeFilterTest, AtTheSameSizeEachPixelIsTheRoundedMeanOfItsUpperLeftNeighbours) {
    for (const Size& size : {Size(5, 4), Size(1, 3), Size(4, 1)}) {
        Image source = picture(size.cx, size.cy, 7);
        ResizeFilter filter(size, false, false, kWhite, 1);
        const auto result = scale(filter, &source);
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x) {
                const int l = std::max(x - 1, 0), t = std::max(y - 1, 0);
                const Color a = source.get_color(Point(l, t), false), b = source.get_color(Point(x, t), false);
                const Color c = source.get_color(Point(l, y), false), d = source.get_color(Point(x, y), false);
                const Color mean((a.red + b.red + c.red + d.red + 2) / 4,
                                 (a.green + b.green + c.green + d.green + 2) / 4,
                                 (a.blue + b.blue + c.blue + d.blue + 2) / 4);
                EXPECT_EQ(result->get_color(Point(x, y), true), mean) << x << "," << y;
            }
        EXPECT_EQ(result->get_color(Point(0, 0), true), source.get_color(Point(0, 0), true));
    }
}

TEST(ResizeFilterTest, MatchesThePlainPerPixelScalingByteForByteAlsoInPlace) {
    struct {
        int sw, sh, cx, cy;
        bool keep, letterbox;
        Color background;
    } cases[] = {
        {7, 5, 3, 2, false, false, kWhite},     {7, 5, 17, 13, false, false, kWhite},
        {13, 11, 5, 9, true, false, kWhite},    {31, 23, 10, 10, true, true, kWhite},
        {23, 31, 10, 10, true, true, Color()},  {31, 23, 10, 10, true, false, kWhite},
        {5, 3, 8, 8, true, true, kInk},         {3, 5, 11, 6, true, true, Color()},
        {6, 4, 6, 4, true, true, kWhite},       {10, 10, 3, 7, false, true, kWhite},
        {1, 9, 4, 4, true, true, kWhite},       {1, 9, 5, 7, false, false, kWhite},
        {9, 1, 4, 4, true, true, kInk},         {1, 1, 3, 3, true, true, kWhite},
        {640, 480, 37, 29, true, true, kWhite}, {1, 1000, 300, 1, true, true, kInk},
        {3, 2, 70000, 1, false, false, kWhite},  // too wide to keep every column's position
    };
    unsigned seed = 1;
    for (const auto& c : cases) {
        Image source = picture(c.sw, c.sh, seed++);
        for (int n = 0; n <= 3; ++n) {
            const auto expected = reference::resize(source, {Size(c.cx, c.cy), c.keep, c.letterbox, c.background, n});
            OpenFilter filter(Size(c.cx, c.cy), c.keep, c.letterbox, c.background, n);
            Image in_place(source);
            ASSERT_TRUE(filter.resample(in_place, in_place));
            const auto made = scale(filter, &source);
            for (const Image* result : {made.get(), &in_place}) {
                const std::string what = std::to_string(c.sw) + "x" + std::to_string(c.sh) + " into " +
                                         std::to_string(c.cx) + "x" + std::to_string(c.cy) + " n " + std::to_string(n);
                ASSERT_EQ(Size(result->width(), result->height()), Size(expected->width(), expected->height())) << what;
                EXPECT_TRUE(result->bit_count() == 24 && result->palette_size() == 0 && !result->is_grayscale());
                EXPECT_EQ(std::memcmp(result->bitmap(), expected->bitmap(), expected->image_size()), 0) << what;
            }
        }
    }
    const Image source = picture(4, 3, 99);
    for (double y = -1.3; y < 4.5; y += 0.37)
        for (double x = -1.3; x < 5.5; x += 0.29) {
            const auto s = ResizeFilter::bilinear_sample(source, x, y);
            const auto r = reference::bilinear(source, x, y);
            EXPECT_TRUE(s.red == r.red && s.green == r.green && s.blue == r.blue) << x << "," << y;
        }
}

TEST(ResizeFilterTest, RefusesWhatItCannotScaleAndAppendsNothing) {
    Image indexed = picture(4, 4, 0, false), no_pixels = picture(4, 4, 0, false), empty, fine = picture(4, 4, 0);
    indexed.set_bit_count(8);
    indexed.create();
    Image grey_flagged = picture(4, 4, 0);  // a flag that turns a copy into 8 bits
    grey_flagged.set_grayscale(true);
    grey_flagged.set_bit_count(24);
    grey_flagged.create();
    struct {
        Image* source;
        Size target;
        const std::type_info& type;
        const char* message;
    } cases[] = {
        {&indexed, Size(3, 3), typeid(Image::not_support), messages::kNotSupported},
        {&no_pixels, Size(3, 3), typeid(Image::not_support), messages::kNotSupported},
        {&empty, Size(3, 3), typeid(Image::not_support), messages::kNotSupported},
        {nullptr, Size(3, 3), typeid(Image::not_support), messages::kNotSupported},
        {&fine, Size(0, 3), typeid(exec_error), messages::kNoImageMemory},
        {&fine, Size(5, -2), typeid(exec_error), messages::kNoImageMemory},
        {&fine, Size(0, 0), typeid(exec_error), messages::kNoImageMemory},
        {&grey_flagged, Size(3, 3), typeid(myexception), messages::kNotSupported},
    };
    for (const auto& c : cases) {
        ImageFilter::ImageList in{c.source};
        ImageFilter::ImageResults out;
        try {
            ResizeFilter(c.target, true, true, kWhite, 1).execute(in.begin(), in.end(), out);
            ADD_FAILURE() << c.target.cx << "x" << c.target.cy << ": nothing thrown";
        } catch (const myexception& e) {
            EXPECT_EQ(typeid(e), c.type) << e.what();
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_TRUE(out.empty());
    }
    ImageFilter::ImageList none;
    ImageFilter::ImageResults out;
    EXPECT_THROW(ResizeFilter(Size(3, 3), true, true, kWhite, 1).execute(none.begin(), none.end(), out),
                 Image::not_support);
    EXPECT_THROW(ResizeFilter::bilinear_sample(indexed, 1, 1), Image::not_support);
}

TEST(ResizeNotify, CaptionThenRowProgressOnlyToASetWindowAndCancelStopsAfterARow) {
    struct Recorder : platform::MessageWindow {
        bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
            if (message == ImageFilter::set_string_message()) captions.push_back(reinterpret_cast<const char*>(lParam));
            if (message == ImageFilter::progress_message()) progress.push_back(static_cast<int>(wParam));
            return true;
        }
        std::vector<std::string> captions;
        std::vector<int> progress;
    };
    struct {
        int height;
        bool window, cancel;
        std::vector<int> progress;
    } cases[] = {
        {4, true, false, {0, 25, 50, 75}},
        {7, true, false, {0, 14, 28, 42, 57, 71, 85}},
        {4, false, false, {}},
        {4, true, true, {}},
    };
    for (const auto& c : cases) {
        Image source = picture(6, 5, 11);
        Recorder window, bystander;
        ResizeFilter filter(Size(3, c.height), false, false, kWhite, 1);
        if (c.window) filter.set_notify_window(&window);
        ImageFilter::cancel_requested = c.cancel;  // after construction, so it counts
        bool done = false;
        scale(filter, &source, &done);
        EXPECT_EQ(done, !c.cancel);
        EXPECT_FALSE(ImageFilter::cancel_requested);
        EXPECT_EQ(window.progress, c.progress) << c.height;
        EXPECT_EQ(window.captions.size(), c.window ? 1u : 0u);
        for (const std::string& caption : window.captions) EXPECT_EQ(caption, captions::kResizing);
        EXPECT_TRUE(bystander.captions.empty() && bystander.progress.empty());
    }
}
