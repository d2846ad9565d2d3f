#pragma once
// Turns a picture's own colours into sRGB with Little CMS 2: perceptual
// intent, 8 bits per channel, on the blue-green-red pixels of 24-bit images.
//
// A profile comes from an embedded ICC profile or from a colour description
// (the primaries' chromaticities and a transfer characteristic, as HEIF and
// AVIF give them). A profile that Little CMS cannot read or use, or that is not
// an RGB profile, converts nothing: the picture is shown as if it had none.
// So does a default-made one, and a description that already is sRGB.

#include <cstddef>
#include <cstdint>
#include <memory>

class Image;

class ColourProfile {
public:
    // Chromaticities (CIE 1931 x, y) of the three primaries and the white.
    struct Primaries {
        double red_x, red_y, green_x, green_y, blue_x, blue_y, white_x, white_y;
    };
    // Transfer characteristics understood by from_description, numbered as
    // in ITU-T H.273.
    enum Transfer : int {
        kBt709 = 1,
        kUnspecified = 2,
        kGamma22 = 4,
        kGamma28 = 5,
        kBt601 = 6,
        kLinear = 8,
        kSrgb = 13,
        kBt2020Ten = 14,
        kBt2020Twelve = 15,
    };
    static constexpr Primaries kSrgbPrimaries{0.64, 0.33, 0.30, 0.60, 0.15, 0.06, 0.3127, 0.3290};

    ColourProfile() = default;
    ColourProfile(ColourProfile&&) noexcept = default;
    ColourProfile& operator=(ColourProfile&&) noexcept = default;
    ~ColourProfile() = default;

    static ColourProfile from_icc(const void* data, std::size_t size);
    // An unspecified transfer is taken as sRGB's; any other not listed in
    // Transfer gives a profile that converts nothing.
    static ColourProfile from_description(const Primaries& primaries, int transfer);

    // Whether convert changes anything.
    bool converts() const { return transform_ != nullptr; }

    // Converts `count` blue-green-red pixels in place.
    void convert(std::uint8_t* bgr, int count) const;
    // Converts `rows` rows of `width` pixels, the first at `first`, each
    // `stride` bytes after the one before, in one call.
    void convert(std::uint8_t* first, int width, int rows, std::size_t stride) const;
    // Converts every pixel of a 24-bit image; other images stay as they are.
    void convert(Image& image) const;

private:
    struct Transform;
    struct Release {
        void operator()(Transform* transform) const;
    };
    explicit ColourProfile(std::unique_ptr<Transform, Release> transform) : transform_(std::move(transform)) {}

    std::unique_ptr<Transform, Release> transform_;
};
