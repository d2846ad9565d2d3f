// The HEIF/AVIF reader on files written at build time by libheif's encoders:
// held to libheif's own decode of the same files, to the encoder's input for
// lossless files turned by their own orientation, to Little CMS for colours
// in Display P3, and on cut, damaged and oversized files.
#include <gtest/gtest.h>

#include <libheif/heif.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "readers/HeifReader.h"
#include "tests/readers/DisplayP3.h"
#include "tests/readers/HeifTestPicture.h"
#include "tests/readers/ReaderTestUtil.h"

namespace {

std::string file(const std::string& name) { return file_bytes(std::string(TESSERIN_HEIF_FILES) + "/" + name); }

std::string read(Image& image, const std::string& bytes) {
    HeifReader reader;
    return decode(reader, image, bytes);
}

// libheif's own decode of a file, every sample scaled to 0 .. 1.
struct Reference {
    int width = 0, height = 0, channels = 0;
    std::vector<double> samples;
    const double* at(int x, int y) const { return &samples[(static_cast<std::size_t>(y) * width + x) * channels]; }
};

Reference reference_decode(const std::string& bytes) {
    heif_context* context = heif_context_alloc();
    heif_context_read_from_memory_without_copy(context, bytes.data(), bytes.size(), nullptr);
    heif_image_handle* handle = nullptr;
    heif_context_get_primary_image_handle(context, &handle);
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    const bool wide = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
    const heif_chroma chroma = wide ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* decoded = nullptr;
    heif_decode_image(handle, &decoded, heif_colorspace_RGB, chroma, nullptr);
    Reference r;
    r.width = heif_image_get_width(decoded, heif_channel_interleaved);
    r.height = heif_image_get_height(decoded, heif_channel_interleaved);
    r.channels = alpha ? 4 : 3;
    const double max = (1 << heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved)) - 1;
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    for (int y = 0; y < r.height; ++y) {
        for (int i = 0; i < r.width * r.channels; ++i) {
            const std::uint8_t* p = plane + static_cast<std::ptrdiff_t>(y) * stride + (wide ? 2 : 1) * i;
            r.samples.push_back((wide ? p[0] | (p[1] << 8) : p[0]) / max);
        }
    }
    heif_image_release(decoded);
    heif_image_handle_release(handle);
    heif_context_free(context);
    return r;
}

// The reference pixel as 8 bits over white.
Color shown_reference(const Reference& r, int x, int y) {
    const double* s = r.at(x, y);
    const double a = r.channels == 4 ? s[3] : 1.0;
    auto eight = [&](double v) { return static_cast<int>(std::lround((v * a + 1.0 - a) * 255)); };
    return Color(eight(s[0]), eight(s[1]), eight(s[2]));
}

int difference(Color a, Color b) {
    return std::max({std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue)});
}

}  // namespace

TEST(HeifReader, MatchesLibheifsOwnDecode) {
    // Tolerance: 8-bit values are exact; 10-bit alpha is rounded to 8 bits
    // before it is blended, the reference blends first.
    const struct {
        const char* name;
        int tolerance;
        bool p3;
    } cases[] = {
        {"plain.heic", 0, false},   {"plain.avif", 0, false},  {"deep10.heic", 0, false}, {"deep12.heic", 0, false},
        {"deep10.avif", 0, false},  {"deep12.avif", 0, false}, {"alpha.heic", 0, false},  {"alpha.avif", 0, false},
        {"alpha10.heic", 1, false}, {"p3icc.heic", 1, true},   {"p3icc.avif", 1, true},   {"p3nclx.avif", 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = file(c.name);
        const Reference ref = reference_decode(bytes);
        Image image;
        ASSERT_EQ(read(image, bytes), "");
        ASSERT_EQ(image.width(), 24);
        ASSERT_EQ(image.height(), 16);
        ASSERT_EQ(ref.width, 24);
        int worst = 0;
        double off_input = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 24; ++x) {
                Color want = shown_reference(ref, x, y);
                if (c.p3) want = p3test::p3_in_srgb(want);
                worst = std::max(worst, difference(shown(image, x, y), want));
                const heiftest::Sample s = heiftest::test_sample(x, y, 24, 16, 255);
                off_input += std::abs(ref.at(x, y)[0] * 255 - s.red) + std::abs(ref.at(x, y)[1] * 255 - s.green);
            }
        }
        EXPECT_LE(worst, c.tolerance);
        // libheif's decode itself is near the picture that was encoded.
        EXPECT_LT(off_input / (2 * 24 * 16), 12.0);
    }
}

TEST(HeifReader, EveryOrientationShowsThePictureAsTurnedByTheFile) {
    constexpr int W = 24, H = 16;  // as stored
    for (const char* format : {"heic", "avif"}) {
        for (int o = 1; o <= 8; ++o) {
            SCOPED_TRACE(std::string(format) + " orientation " + std::to_string(o));
            Image image;
            ASSERT_EQ(read(image, file("turn" + std::to_string(o) + "." + format)), "");
            const bool turned = o >= 5;
            ASSERT_EQ(image.width(), turned ? H : W);
            ASSERT_EQ(image.height(), turned ? W : H);
            int wrong = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    // Where shown pixel (x, y) lies in the stored picture, per
                    // EXIF orientation, written out by hand.
                    const int from[9][2] = {{0, 0},         {x, y}, {W - 1 - x, y}, {W - 1 - x, H - 1 - y},
                                            {x, H - 1 - y}, {y, x}, {y, H - 1 - x}, {W - 1 - y, H - 1 - x},
                                            {W - 1 - y, x}};
                    const heiftest::Sample s = heiftest::test_sample(from[o][0], from[o][1], W, H, 255);
                    wrong += difference(shown(image, x, y), Color(s.red, s.green, s.blue)) != 0;
                }
            }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(HeifReader, P3RedAndGreenGiveLittleCmsSrgb) {
    Image image;
    ASSERT_EQ(read(image, file("p3colours.heic")), "");
    for (int band = 0; band < 4; ++band) {
        const heiftest::Sample s = heiftest::kP3Bands[band];
        const Color want = p3test::p3_in_srgb(Color(s.red, s.green, s.blue));
        EXPECT_LE(difference(shown(image, band * 6 + 3, 8), want), 1) << band;
    }
}

namespace {

// The file with every 'ispe' box (an image's size) claiming width x height.
std::string claiming(std::string bytes, std::uint32_t width, std::uint32_t height) {
    for (std::size_t at = bytes.find("ispe"); at != std::string::npos; at = bytes.find("ispe", at + 1)) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + 8 + i] = static_cast<char>(width >> (24 - 8 * i));
            bytes[at + 12 + i] = static_cast<char>(height >> (24 - 8 * i));
        }
    }
    return bytes;
}

}  // namespace

TEST(HeifReader, BrokenFilesEndInTheirMessageAndPrintNothing) {
    const std::string heic = file("plain.heic"), avif = file("plain.avif");
    std::string scrambled_meta = heic;
    const std::size_t meta = heic.find("meta");
    for (std::size_t i = meta + 8; i < meta + 60; ++i) scrambled_meta[i] = static_cast<char>(scrambled_meta[i] ^ 0x5C);
    // The decoders' own complaints: a picture size in the HEVC parameters
    // that is no multiple of the coding block, and AV1 data that is noise.
    std::string bad_hevc = heic, bad_av1 = avif;
    bad_hevc[heic.find("hvcC") + 80] ^= 0x01;
    for (std::size_t i = avif.find("mdat") + 4; i < avif.find("mdat") + 12; ++i) bad_av1[i] ^= 0x5C;
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty", "", messages::kFileError},
        {"cut in the boxes", heic.substr(0, 100), messages::kFileError},
        {"cut in the pixels", avif.substr(0, avif.size() - 40), messages::kFileError},
        {"not a HEIF file", "\x89PNG\r\n\x1a\n not a picture at all, only text", messages::kFormatError},
        {"damaged boxes", scrambled_meta, messages::kFormatError},
        {"damaged HEVC parameters", bad_hevc, messages::kFormatError},
        {"damaged AV1 data", bad_av1, messages::kFormatError},
        {"100000 x 100000", claiming(heic, 100000, 100000), messages::kNoImageMemory},
        {"wider than libheif's limit", claiming(avif, 1u << 20, 16), messages::kNoImageMemory},
    };
    for (const auto& c : cases) {
        Image image = filled_image();
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        EXPECT_EQ(read(image, c.bytes), c.message) << c.name;
        EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "") << c.name;
        EXPECT_TRUE(is_empty(image)) << c.name;
    }
}

TEST(HeifReader, OversizedPicturesAreRefusedBeforeAnyLargeAllocation) {
    if (kAddressSanitizer) GTEST_SKIP() << "the sanitizer's shadow memory hides the peak";
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"100000 x 100000", claiming(file("plain.heic"), 100000, 100000)},
        // Found by fuzzing: a 24 x 16 picture over an overlay's canvas of 17807 x 46019.
        {"overlay canvas", file_bytes(std::string(TESSERIN_FUZZ_CRASHES) + "/heif-overlay-canvas-oom.heic")},
    };
    for (const auto& c : cases) {
        ASSERT_GT(c.bytes.size(), 100u) << c.name;
        const ChildRead result = read_in_child([&](Image& image) { return read(image, c.bytes); });
        EXPECT_EQ(result.message, messages::kNoImageMemory) << c.name;
        EXPECT_GE(result.grown_kib, 0) << c.name;
        EXPECT_LT(result.grown_kib, 16 * 1024) << c.name;
    }
}
