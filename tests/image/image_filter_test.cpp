// The operation base: notifications posted to a window only while one is set;
// the process-wide cancel flag.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "image/Image.h"
#include "image/ImageFilter.h"
#include "platform/PostedMessage.h"

namespace {

struct Posted {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

class RecordingWindow : public platform::MessageWindow {
public:
    bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        posted.push_back({message, wParam, lParam});
        return true;
    }
    std::vector<Posted> posted;
};

const char kCaption[] = "test caption";

// Steps over the rows of its input with the shared step loop, making nothing.
class RowWalker : public ImageFilter {
public:
    bool execute(ImageList::const_iterator first, ImageList::const_iterator, ImageResults& out) override {
        post_caption(kCaption);
        const int rows = (*first)->height();
        for (int y = 0; y < rows; ++y) {
            ++stepsDone;
            if (take_cancel()) return false;
            post_progress(y * 100 / rows);
        }
        out.push_back(std::make_unique<Image>(**first));
        return true;
    }
    int stepsDone = 0;
};

Image FourRows() {
    Image image;
    image.init_header();
    image.set_width(3);
    image.set_height(4);
    image.set_bit_count(24);
    image.create();
    return image;
}

using ImageFilterTest = ::testing::Test;

TEST_F(ImageFilterTest, MessageNamesHaveStableDistinctIds) {
    EXPECT_EQ(ImageFilter::progress_message(), platform::RegisterWindowMessage("ImageFilterProgress"));
    EXPECT_EQ(ImageFilter::set_string_message(), platform::RegisterWindowMessage("ImageFilterSetString"));
    EXPECT_NE(ImageFilter::progress_message(), ImageFilter::set_string_message());
    EXPECT_GE(ImageFilter::progress_message(), 0xC000u);
    EXPECT_NE(platform::RegisterWindowMessage("imagefilterprogress"), ImageFilter::progress_message());
}

TEST_F(ImageFilterTest, PostsCaptionThenRowProgressWithoutHundred) {
    Image image = FourRows();
    ImageFilter::ImageList in{&image};
    ImageFilter::ImageResults out;
    RecordingWindow window;
    RowWalker walker;
    walker.set_notify_window(&window);
    ASSERT_TRUE(walker.execute(in.begin(), in.end(), out));

    ASSERT_EQ(window.posted.size(), 5u);
    EXPECT_EQ(window.posted[0].message, ImageFilter::set_string_message());
    EXPECT_EQ(window.posted[0].wParam, 0u);
    EXPECT_STREQ(reinterpret_cast<const char*>(window.posted[0].lParam), kCaption);
    const std::uintptr_t expected[] = {0, 25, 50, 75};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(window.posted[i + 1].message, ImageFilter::progress_message());
        EXPECT_EQ(window.posted[i + 1].wParam, expected[i]);
        EXPECT_EQ(window.posted[i + 1].lParam, 0);
    }
    ASSERT_EQ(out.size(), 1u);
}

TEST_F(ImageFilterTest, NoWindowNoMessage) {
    Image image = FourRows();
    ImageFilter::ImageList in{&image};
    ImageFilter::ImageResults out;
    RowWalker silent;
    ASSERT_TRUE(silent.execute(in.begin(), in.end(), out));

    RecordingWindow window;
    RowWalker walker;
    walker.set_notify_window(&window);
    ASSERT_TRUE(walker.execute(in.begin(), in.end(), out));
    walker.set_notify_window(nullptr);
    ASSERT_TRUE(walker.execute(in.begin(), in.end(), out));
    EXPECT_EQ(window.posted.size(), 5u) << "nothing after the window was taken away";
    EXPECT_FALSE(platform::PostMessage(nullptr, ImageFilter::progress_message(), 0, 0));
}

TEST_F(ImageFilterTest, CancelStopsAfterTheStepClearsTheFlagAndConstructionClearsItToo) {
    Image image = FourRows();
    ImageFilter::ImageList in{&image};
    ImageFilter::ImageResults out;

    ImageFilter::cancel_requested = true;
    RowWalker fresh;
    EXPECT_FALSE(ImageFilter::cancel_requested) << "construction clears a stale request";
    ASSERT_TRUE(fresh.execute(in.begin(), in.end(), out));
    EXPECT_EQ(fresh.stepsDone, 4);

    RowWalker cancelled;
    ImageFilter::cancel_requested = true;
    out.clear();
    EXPECT_FALSE(cancelled.execute(in.begin(), in.end(), out));
    EXPECT_EQ(cancelled.stepsDone, 1);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(ImageFilter::cancel_requested);
}

}  // namespace
