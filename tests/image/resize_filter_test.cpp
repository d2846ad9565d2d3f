// Scaling: the fitted box, where the picture and the background show, the
// half-pixel shift, byte equality with the plain per-pixel scaling, refusals,
// progress and cancel.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "image/Image.h"
#include "image/ResizeFilter.h"
#include "platform/GuiApplication.h"
#include "platform/PostedMessage.h"
#include "tests/image/resize_reference.h"

namespace {

const Color kWhite(255, 255, 255);
const Color kInk(10, 200, 30);

Image described(int width, int height) {
    Image image;
    image.init_header();
    image.set_width(width);
    image.set_height(height);
    image.set_bit_count(24);
    return image;
}

Image uniform(int width, int height, Color c) {
    Image image = described(width, height);
    image.create();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.set_color(Point(x, y), c, true);
    return image;
}

Image noise(int width, int height, unsigned seed) {
    Image image = described(width, height);
    image.create();
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.set_color(Point(x, y), Color(random() % 256, random() % 256, random() % 256), true);
    return image;
}

std::unique_ptr<Image> scale(ResizeFilter& filter, Image& source) {
    ImageFilter::ImageList in{&source};
    ImageFilter::ImageResults out;
    if (!filter.execute(in.begin(), in.end(), out)) return nullptr;
    EXPECT_EQ(out.size(), 1u);
    return std::move(out.front());
}

class Recorder : public platform::MessageWindow {
public:
    void OnPostedMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == ImageFilter::set_string_message())
            captions.push_back(reinterpret_cast<const char*>(lParam));
        else if (message == ImageFilter::progress_message())
            progress.push_back(static_cast<int>(wParam));
    }
    std::vector<std::string> captions;
    std::vector<int> progress;
};

class OpenFilter : public ResizeFilter {
public:
    using ResizeFilter::ResizeFilter;
    using ResizeFilter::resample;
};

}  // namespace

TEST(ResizeFit, BoxTakesTheSourceProportionsWithoutOverflow) {
    struct Case {
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
        {200, 100, 300, 150, true, 300, 150, 0, 0},  // equal ratios: the width limits
        {200, 100, 300, 150, false, 300, 150, 0, 0},
        {7, 3, 10, 4, true, 10, 4, 1, 0},
        {100000, 60000, 40000, 40000, false, 40000, 24000, 0, 0},
        {100000, 60000, 40000, 40000, true, 40000, 40000, 0, 16000},
        {60000, 100000, 40000, 40000, false, 24000, 40000, 0, 0},
        {1, 1000000, 4096, -1, false, 4096, INT_MAX, 0, 0},  // too tall to make, not wrapped
        {0, 0, 300, 300, true, 300, 300, 0, 0},              // no picture: nothing to keep
    };
    for (const Case& c : cases) {
        Image source = c.sw > 0 ? described(c.sw, c.sh) : Image();
        ResizeFilter filter(Size(c.cx, c.cy), true, c.letterbox, kWhite, 1);
        int w = c.cx, h = c.cy, mx = 0, my = 0;
        filter.fit_size(source, w, h, mx, my);
        EXPECT_EQ(w, c.width) << c.sw << "x" << c.sh << " into " << c.cx << "x" << c.cy;
        EXPECT_EQ(h, c.height) << c.sw << "x" << c.sh << " into " << c.cx << "x" << c.cy;
        EXPECT_EQ(mx, c.margin_x) << c.sw << "x" << c.sh << " into " << c.cx << "x" << c.cy;
        EXPECT_EQ(my, c.margin_y) << c.sw << "x" << c.sh << " into " << c.cx << "x" << c.cy;
    }
}

TEST(ResizeFilterTest, PictureShowsOnlyBetweenTheMarginsAndNeverWithoutThem) {
    struct Case {
        int sw, sh, cx, cy;
        bool keep, letterbox;
        int samples;
        int width, height;
        int top, bottom, left, right;  // the picture's pixels, inclusive; empty when left > right
    } cases[] = {
        {640, 480, 300, 300, true, true, 1, 300, 300, 38, 262, 0, 299},
        {480, 640, 300, 300, true, true, 1, 300, 300, 0, 299, 38, 262},
        {7, 3, 10, 4, true, true, 1, 10, 4, 0, 3, 1, 9},  // odd margin: half a column each side
        {640, 480, 300, 300, true, false, 2, 300, 225, 0, 224, 0, 299},
        {100, 400, 300, 300, true, false, 3, 75, 300, 0, 299, 0, 74},
        {640, 480, 300, 300, false, true, 3, 300, 300, 0, 299, 0, 299},
        {3, 50, 37, 2, false, false, 2, 37, 2, 0, 1, 0, 36},
        {1, 1000, 300, 1, true, false, 1, 1, 1, 0, 0, 0, 0},
        {1, 1000, 300, 1, true, true, 1, 300, 1, 0, 0, 1, 0},  // no column wide enough to show it
    };
    for (const Case& c : cases) {
        Image source = uniform(c.sw, c.sh, kInk);
        ResizeFilter filter(Size(c.cx, c.cy), c.keep, c.letterbox, kWhite, c.samples);
        const auto result = scale(filter, source);
        ASSERT_TRUE(result);
        ASSERT_EQ(result->width(), c.width);
        ASSERT_EQ(result->height(), c.height);
        int wrong = 0;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const bool picture = y >= c.top && y <= c.bottom && x >= c.left && x <= c.right;
                wrong += !(result->get_color(Point(x, y), true) == (picture ? kInk : kWhite));
            }
        }
        EXPECT_EQ(wrong, 0) << c.sw << "x" << c.sh << " into " << c.cx << "x" << c.cy;
    }
}

TEST(ResizeFilterTest, AtTheSameSizeEachPixelIsTheMeanOfItsFourUpperLeftNeighbours) {
    for (const Size& size : {Size(5, 4), Size(1, 3), Size(4, 1), Size(1, 1)}) {
        Image source = noise(size.cx, size.cy, 7);
        ResizeFilter filter(size, false, false, kWhite, 1);
        const auto result = scale(filter, source);
        ASSERT_TRUE(result);
        for (int y = 0; y < size.cy; ++y) {
            for (int x = 0; x < size.cx; ++x) {
                const int l = std::max(x - 1, 0), t = std::max(y - 1, 0);
                const Color a = source.get_color(Point(l, t), false), b = source.get_color(Point(x, t), false);
                const Color c = source.get_color(Point(l, y), false), d = source.get_color(Point(x, y), false);
                const Color mean((a.red + b.red + c.red + d.red + 2) / 4, (a.green + b.green + c.green + d.green + 2) / 4,
                                 (a.blue + b.blue + c.blue + d.blue + 2) / 4);
                EXPECT_EQ(result->get_color(Point(x, y), true), mean) << x << "," << y;
            }
        }
        EXPECT_EQ(result->get_color(Point(0, 0), true), source.get_color(Point(0, 0), true));
    }
}

TEST(ResizeFilterTest, MatchesThePlainPerPixelScalingByteForByte) {
    struct Case {
        int sw, sh, cx, cy;
        bool keep, letterbox;
        Color background;
    } cases[] = {
        {7, 5, 3, 2, false, false, kWhite},       {7, 5, 17, 13, false, false, kWhite},
        {13, 11, 5, 9, true, false, kWhite},      {31, 23, 10, 10, true, true, kWhite},
        {23, 31, 10, 10, true, true, Color()},    {31, 23, 10, 10, true, false, kWhite},
        {5, 3, 8, 8, true, true, kInk},           {3, 5, 11, 6, true, true, Color()},
        {6, 4, 6, 4, true, true, kWhite},         {10, 10, 3, 7, false, true, kWhite},
        {1, 9, 4, 4, true, true, kWhite},         {1, 9, 5, 7, false, false, kWhite},
        {9, 1, 4, 4, true, true, kInk},           {1, 1, 3, 3, true, true, kWhite},
        {640, 480, 37, 29, true, true, kWhite},   {1, 1000, 300, 1, true, true, kInk},
        {3, 2, 70000, 1, false, false, kWhite},  // wider than the kept column positions
    };
    unsigned seed = 1;
    for (const Case& c : cases) {
        Image source = noise(c.sw, c.sh, seed++);
        for (int n = 0; n <= 3; ++n) {
            const reference::Settings settings{Size(c.cx, c.cy), c.keep, c.letterbox, c.background, n};
            const auto expected = reference::resize(source, settings);
            ResizeFilter filter(settings.target, c.keep, c.letterbox, c.background, n);
            const auto result = scale(filter, source);
            ASSERT_TRUE(result);
            const std::string what = std::to_string(c.sw) + "x" + std::to_string(c.sh) + " into " +
                                      std::to_string(c.cx) + "x" + std::to_string(c.cy) + " n " + std::to_string(n);
            ASSERT_EQ(result->width(), expected->width()) << what;
            ASSERT_EQ(result->height(), expected->height()) << what;
            EXPECT_EQ(result->bit_count(), 24);
            EXPECT_EQ(result->palette_size(), 0u);
            EXPECT_FALSE(result->is_grayscale());
            ASSERT_EQ(result->image_size(), expected->image_size());
            EXPECT_EQ(std::memcmp(result->bitmap(), expected->bitmap(), expected->image_size()), 0) << what;
        }
    }
    // Sampling at real positions, outside the picture too.
    Image source = noise(4, 3, 99);
    for (double y = -1.3; y < 4.5; y += 0.37) {
        for (double x = -1.3; x < 5.5; x += 0.29) {
            const auto s = ResizeFilter::bilinear_sample(source, x, y);
            const auto r = reference::bilinear(source, x, y);
            EXPECT_EQ(s.red, r.red);
            EXPECT_EQ(s.green, r.green);
            EXPECT_EQ(s.blue, r.blue);
        }
    }
}

TEST(ResizeFilterTest, ScalingInPlaceReadsTheOldPixels) {
    Image source = noise(9, 7, 3);
    OpenFilter filter(Size(5, 5), true, true, kInk, 2);
    Image fresh;
    ASSERT_TRUE(filter.resample(source, fresh));
    ASSERT_TRUE(filter.resample(source, source));
    ASSERT_EQ(source.image_size(), fresh.image_size());
    EXPECT_EQ(std::memcmp(source.bitmap(), fresh.bitmap(), fresh.image_size()), 0);
}

TEST(ResizeFilterTest, RefusesWhatItCannotScaleAndAppendsNothing) {
    Image indexed;
    indexed.init_header();
    indexed.set_width(4);
    indexed.set_height(4);
    indexed.set_bit_count(8);
    indexed.create();
    Image grey_flagged = uniform(4, 4, kInk);  // a flag the copy turns into 8 bits
    grey_flagged.set_grayscale(true);
    grey_flagged.set_bit_count(24);
    grey_flagged.create();
    Image header_only = described(4, 4), empty, fine = uniform(4, 4, kInk);
    struct Case {
        const char* name;
        Image* source;
        Size target;
        const std::type_info& type;
        const char* message;
    } cases[] = {
        {"8 bits", &indexed, Size(3, 3), typeid(Image::not_support), messages::kNotSupported},
        {"no pixels", &header_only, Size(3, 3), typeid(Image::not_support), messages::kNotSupported},
        {"empty", &empty, Size(3, 3), typeid(Image::not_support), messages::kNotSupported},
        {"null", nullptr, Size(3, 3), typeid(Image::not_support), messages::kNotSupported},
        {"zero width", &fine, Size(0, 3), typeid(exec_error), messages::kNoImageMemory},
        {"negative", &fine, Size(5, -2), typeid(exec_error), messages::kNoImageMemory},
        {"zero box", &fine, Size(0, 0), typeid(exec_error), messages::kNoImageMemory},
        {"grey flag", &grey_flagged, Size(3, 3), typeid(myexception), messages::kNotSupported},
    };
    for (const Case& c : cases) {
        ImageFilter::ImageList in{c.source};
        ImageFilter::ImageResults out;
        ResizeFilter filter(c.target, true, true, kWhite, 1);
        try {
            filter.execute(in.begin(), in.end(), out);
            ADD_FAILURE() << c.name << ": nothing thrown";
        } catch (const myexception& e) {
            EXPECT_EQ(typeid(e), c.type) << c.name;
            EXPECT_STREQ(e.what(), c.message) << c.name;
        }
        EXPECT_TRUE(out.empty()) << c.name;
    }
    ImageFilter::ImageList none;
    ImageFilter::ImageResults out;
    ResizeFilter filter(Size(3, 3), true, true, kWhite, 1);
    EXPECT_THROW(filter.execute(none.begin(), none.end(), out), Image::not_support);
    EXPECT_THROW(ResizeFilter::bilinear_sample(indexed, 1, 1), Image::not_support);
}

class ResizeNotifyTest : public ::testing::Test {
protected:
    void SetUp() override { platform::EnsureGuiApplication(); }
};

TEST_F(ResizeNotifyTest, CaptionThenRowProgressOnlyToASetWindowAndCancelStopsAfterARow) {
    struct Case {
        int height;
        bool window;
        bool cancel;
        std::vector<int> progress;
        bool done;
    } cases[] = {
        {4, true, false, {0, 25, 50, 75}, true},
        {7, true, false, {0, 14, 28, 42, 57, 71, 85}, true},
        {4, false, false, {}, true},
        {4, true, true, {}, false},
    };
    for (const Case& c : cases) {
        Image source = noise(6, 5, 11);
        Recorder window, bystander;
        ResizeFilter filter(Size(3, c.height), false, false, kWhite, 1);
        if (c.window) filter.set_notify_window(&window);
        ImageFilter::ImageList in{&source};
        ImageFilter::ImageResults out;
        ImageFilter::cancel_requested = c.cancel;  // construction already ran: this one counts
        EXPECT_EQ(filter.execute(in.begin(), in.end(), out), c.done);
        platform::DispatchPostedMessages();
        EXPECT_EQ(out.size(), c.done ? 1u : 0u);
        EXPECT_FALSE(ImageFilter::cancel_requested);
        EXPECT_EQ(window.progress, c.progress) << c.height;
        EXPECT_EQ(window.captions, c.window ? std::vector<std::string>{captions::kResizing}
                                            : std::vector<std::string>{});
        EXPECT_TRUE(bystander.captions.empty() && bystander.progress.empty());
    }
}
