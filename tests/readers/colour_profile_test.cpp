// Conversion to sRGB: held to Little CMS's own double-precision answer for a
// Display P3 profile, and profiles that cannot be used convert nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "readers/ColourProfile.h"
#include "tests/readers/DisplayP3.h"
#include "tests/readers/ReaderTestUtil.h"

namespace {

constexpr ColourProfile::Primaries kP3{0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.3127, 0.3290};

// P3's pure red and green, mid colours and the greys that stay grey.
const std::vector<Color> kP3Colours = {Color(255, 0, 0),     Color(0, 255, 0),    Color(0, 0, 255),
                                       Color(128, 0, 0),     Color(200, 100, 50), Color(30, 160, 220),
                                       Color(255, 255, 255), Color(0, 0, 0),      Color(128, 128, 128)};

// Converting 8-bit values runs through Little CMS's 16-bit pipeline: one
// step off the double-precision answer is allowed.
void expect_p3_converted(const ColourProfile& profile) {
    ASSERT_TRUE(profile.converts());
    std::vector<std::uint8_t> bgr;
    for (const Color& c : kP3Colours) bgr.insert(bgr.end(), {c.blue, c.green, c.red});
    profile.convert(bgr.data(), static_cast<int>(kP3Colours.size()));
    for (std::size_t i = 0; i < kP3Colours.size(); ++i) {
        const Color want = p3test::p3_in_srgb(kP3Colours[i]);
        EXPECT_LE(std::abs(bgr[3 * i + 2] - want.red), 1) << i;
        EXPECT_LE(std::abs(bgr[3 * i + 1] - want.green), 1) << i;
        EXPECT_LE(std::abs(bgr[3 * i] - want.blue), 1) << i;
    }
}

}  // namespace

TEST(ColourProfile, P3FromIccAndFromDescriptionGiveLittleCmsColours) {
    const std::string icc = p3test::display_p3_icc();
    expect_p3_converted(ColourProfile::from_icc(icc.data(), icc.size()));
    expect_p3_converted(ColourProfile::from_description(kP3, ColourProfile::kSrgb));
    // A hand-worked value: P3 (128, 0, 0) lies inside sRGB, at red 141.
    EXPECT_EQ(p3test::p3_in_srgb(Color(128, 0, 0)), Color(141, 0, 0));
}

TEST(ColourProfile, UnusableProfilesConvertNothing) {
    const std::string icc = p3test::display_p3_icc();
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE grey_profile = cmsCreateGrayProfile(cmsD50_xyY(), gamma);
    cmsFreeToneCurve(gamma);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(grey_profile, nullptr, &size);
    std::string grey(size, '\0');
    cmsSaveProfileToMem(grey_profile, grey.data(), &size);
    cmsCloseProfile(grey_profile);
    std::string garbled = icc;
    for (std::size_t i = 128; i < garbled.size(); ++i) garbled[i] = static_cast<char>(0xA5 ^ i);
    const struct {
        const char* name;
        ColourProfile profile;
    } cases[] = {
        {"none", ColourProfile()},
        {"empty", ColourProfile::from_icc(icc.data(), 0)},
        {"cut", ColourProfile::from_icc(icc.data(), icc.size() / 3)},
        {"garbled tags", ColourProfile::from_icc(garbled.data(), garbled.size())},
        {"text", ColourProfile::from_icc("not a profile", 13)},
        {"grey", ColourProfile::from_icc(grey.data(), grey.size())},
        {"sRGB description", ColourProfile::from_description(ColourProfile::kSrgbPrimaries, ColourProfile::kSrgb)},
        {"unspecified", ColourProfile::from_description(ColourProfile::kSrgbPrimaries, ColourProfile::kUnspecified)},
        {"PQ", ColourProfile::from_description(kP3, 16)},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.profile.converts()) << c.name;
        std::uint8_t bgr[3] = {50, 100, 200};
        c.profile.convert(bgr, 1);
        EXPECT_EQ(bgr[0] * 65536 + bgr[1] * 256 + bgr[2], 50 * 65536 + 100 * 256 + 200) << c.name;
    }
}

TEST(ColourProfile, ImageConversionTouchesPixelsOnlyAndEveryRow) {
    const ColourProfile profile = ColourProfile::from_description(kP3, ColourProfile::kSrgb);
    Image image;
    image.init_header();
    image.set_width(3);  // 9 bytes of pixels, 3 of padding per row
    image.set_height(4);
    image.set_bit_count(24);
    image.create();
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 3; ++x) image.set_color(Point(x, y), Color(128, 0, 0), true);
        std::memset(image.scanline(y) + 9, 0x5A, 3);
    }
    profile.convert(image);
    const Color want = p3test::p3_in_srgb(Color(128, 0, 0));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 3; ++x) EXPECT_LE(std::abs(shown(image, x, y).red - want.red), 1) << x << "," << y;
        for (int b = 9; b < 12; ++b) EXPECT_EQ(image.scanline(y)[b], 0x5A);
    }
    Image grey;
    grey.init_header();
    grey.set_width(2);
    grey.set_height(2);
    grey.set_bit_count(8);
    grey.set_grayscale(true);
    const std::vector<std::uint8_t> before = memory_of(grey);
    profile.convert(grey);
    EXPECT_EQ(memory_of(grey), before);
}
