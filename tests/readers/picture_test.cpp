// The WebP, GIF, TIFF and HEIF/AVIF readers on files written by Debian's
// encoders (make_pictures.sh) and by libheif's (heif_maker), held to each
// library's own decode of the same file, to the encoder's input for lossless
// HEIF and AVIF files, to Little CMS for colours in Display P3, and on cut,
// damaged and oversized files.
#include <gtest/gtest.h>

#include <gif_lib.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <webp/demux.h>
#include <webp/mux.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <unistd.h>

#include "readers/FormatRegistry.h"
#include "readers/GifReader.h"
#include "readers/HeifReader.h"
#include "readers/TiffReader.h"
#include "readers/WebpReader.h"
#include "tests/readers/DisplayP3.h"
#include "tests/readers/HeifTestPicture.h"
#include "tests/readers/ReaderTestUtil.h"

namespace {

std::string extension_of(const std::string& name) { return std::filesystem::path(name).extension().string(); }

bool is_heif(const std::string& name) { return extension_of(name) == ".heic" || extension_of(name) == ".avif"; }

std::string path_of(const std::string& name) {
    return std::string(is_heif(name) ? TESSERIN_HEIF_FILES : TESSERIN_PICTURES) + "/" + name;
}

std::string bytes_of(const std::string& name) { return file_bytes(path_of(name)); }

// A picture as its library shows it, rows from the top, over white.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;
    void resize(int w, int h) {
        width = w;
        height = h;
        pixels.assign(static_cast<std::size_t>(w) * h, Color(255, 255, 255));
    }
    Color& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

int over_white(int value, int alpha) { return (value * alpha + 255 * (255 - alpha) + 127) / 255; }

// libwebp's animation decoder composes the first frame on its canvas; a
// still picture is an animation of one frame to it.
Picture webp_reference(const std::string& name) {
    const std::string bytes = bytes_of(name);
    const WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    WebPAnimInfo info{};
    std::uint8_t* rgba = nullptr;
    int timestamp = 0;
    Picture p;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder, &info) || !WebPAnimDecoderGetNext(decoder, &rgba, &timestamp)) {
        ADD_FAILURE() << "libwebp cannot decode " << name;
    } else {
        p.resize(static_cast<int>(info.canvas_width), static_cast<int>(info.canvas_height));
        for (std::size_t i = 0; i < p.pixels.size(); ++i, rgba += 4) {
            p.pixels[i] =
                Color(over_white(rgba[0], rgba[3]), over_white(rgba[1], rgba[3]), over_white(rgba[2], rgba[3]));
        }
    }
    WebPAnimDecoderDelete(decoder);
    return p;
}

// giflib's whole-file read, which undoes the interlacing itself; the first
// frame put on the screen by hand.
Picture gif_reference(const std::string& name) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path_of(name).c_str(), &error);
    Picture p;
    if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
        ADD_FAILURE() << "giflib cannot decode " << name;
    } else {
        p.resize(gif->SWidth, gif->SHeight);
        const SavedImage& frame = gif->SavedImages[0];
        const GifImageDesc& d = frame.ImageDesc;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        GraphicsControlBlock control{};
        const int transparent = DGifSavedExtensionToGCB(gif, 0, &control) == GIF_OK ? control.TransparentColor : -1;
        for (int y = 0; y < d.Height && d.Top + y < p.height; ++y) {
            for (int x = 0; x < d.Width && d.Left + x < p.width; ++x) {
                const int index = frame.RasterBits[y * d.Width + x];
                const GifColorType& c = map->Colors[index];
                if (index != transparent) p.at(d.Left + x, d.Top + y) = Color(c.Red, c.Green, c.Blue);
            }
        }
    }
    if (gif) DGifCloseFile(gif, &error);
    return p;
}

// libtiff's own RGBA decode, premultiplied, over white; the picture as
// stored for a transposing orientation, which TIFFReadRGBAImage leaves alone.
Picture tiff_reference(const std::string& name) {
    TIFF* tif = TIFFOpen(path_of(name).c_str(), "r");
    std::uint32_t w = 0, h = 0;
    Picture p;
    if (tif && TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) {
        std::vector<std::uint32_t> raster(static_cast<std::size_t>(w) * h);
        if (TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 1)) {
            p.resize(static_cast<int>(w), static_cast<int>(h));
            auto over = [](std::uint32_t v, std::uint32_t a) {
                return static_cast<int>(std::min<std::uint32_t>(v + 255 - a, 255));
            };
            for (std::size_t i = 0; i < raster.size(); ++i) {
                const std::uint32_t px = raster[i], a = TIFFGetA(px);
                p.pixels[i] = Color(over(TIFFGetR(px), a), over(TIFFGetG(px), a), over(TIFFGetB(px), a));
            }
        }
    }
    if (tif) TIFFClose(tif);
    if (p.pixels.empty()) ADD_FAILURE() << "libtiff cannot decode " << name;
    return p;
}

// libheif's own decode (no colour conversion of its own), every sample
// scaled to 0 .. 1, blended over white and then rounded to 8 bits. Every
// HEIF and AVIF file decoded here was encoded from heiftest's picture (24 x
// 16 unless the file says otherwise), and libheif's decode must be near it,
// or it is no reference.
Picture heif_reference(const std::string& name) {
    const std::string bytes = bytes_of(name);
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* decoded = nullptr;
    Picture p;
    if (heif_context_read_from_memory_without_copy(context, bytes.data(), bytes.size(), nullptr).code ==
            heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        const bool alpha = heif_image_handle_has_alpha_channel(handle);
        const bool wide = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
        const heif_chroma chroma =
            wide ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                 : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
        if (heif_decode_image(handle, &decoded, heif_colorspace_RGB, chroma, nullptr).code == heif_error_Ok &&
            heif_image_get_width(decoded, heif_channel_interleaved) > 0 &&
            heif_image_get_height(decoded, heif_channel_interleaved) > 0) {
            p.resize(heif_image_get_width(decoded, heif_channel_interleaved),
                     heif_image_get_height(decoded, heif_channel_interleaved));
            const int channels = alpha ? 4 : 3;
            const double max = (1 << heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved)) - 1;
            int stride = 0;
            const std::uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
            double off_input = 0;
            for (int y = 0; y < p.height; ++y) {
                for (int x = 0; x < p.width; ++x) {
                    auto sample = [&](int c) {
                        const std::uint8_t* s = plane + static_cast<std::ptrdiff_t>(y) * stride +
                                                (wide ? 2 : 1) * (static_cast<std::ptrdiff_t>(x) * channels + c);
                        return (wide ? s[0] | (s[1] << 8) : s[0]) / max;
                    };
                    const double a = alpha ? sample(3) : 1.0;
                    auto eight = [&](double v) { return static_cast<int>(std::lround((v * a + 1.0 - a) * 255)); };
                    p.at(x, y) = Color(eight(sample(0)), eight(sample(1)), eight(sample(2)));
                    const heiftest::Sample s = heiftest::test_sample(x, y, p.width, p.height, 255);
                    off_input += std::abs(sample(0) * 255 - s.red) + std::abs(sample(1) * 255 - s.green);
                }
            }
            EXPECT_LT(off_input / (2.0 * p.width * p.height), 12.0) << "libheif's decode of " << name;
        }
    }
    if (decoded) heif_image_release(decoded);
    if (handle) heif_image_handle_release(handle);
    heif_context_free(context);
    if (p.pixels.empty()) ADD_FAILURE() << "libheif cannot decode " << name;
    return p;
}

Picture reference(const std::string& name) {
    const std::string ext = extension_of(name);
    if (ext == ".webp") return webp_reference(name);
    if (ext == ".gif") return gif_reference(name);
    if (is_heif(name)) return heif_reference(name);
    return tiff_reference(name);
}

// What the lossless HEIF and AVIF files were encoded from: heiftest's 24 x 16
// picture, opaque, or heiftest's four bands of P3 colours.
Picture encoder_input(bool bands = false) {
    Picture p;
    p.resize(24, 16);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const heiftest::Sample s =
                bands ? heiftest::kP3Bands[x * 4 / p.width] : heiftest::test_sample(x, y, p.width, p.height, 255);
            p.at(x, y) = Color(s.red, s.green, s.blue);
        }
    }
    return p;
}

FormatRegistry all_formats() {
    FormatRegistry registry;
    registry.add(std::make_unique<WebpFormat>());
    registry.add(std::make_unique<GifFormat>());
    registry.add(std::make_unique<TiffFormat>());
    registry.add(std::make_unique<HeifFormat>());
    registry.add(std::make_unique<AvifFormat>());
    return registry;
}

// Reads with the reader its extension names; the message, "" on success.
std::string read_file(Image& image, const std::string& name, const std::string& bytes) {
    const auto reader = all_formats().find(extension_of(name).substr(1)).create_reader();
    return decode(*reader, image, bytes);
}

// How many shown pixels differ by more than `tolerance` from the reference
// turned by the orientation.
int mismatches(const Image& image, Picture& want, int orientation = 1, int tolerance = 0) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const auto [sx, sy] = stored_place(orientation, x, y, want.width, want.height);
            const Color got = shown(image, x, y), expected = want.at(sx, sy);
            if (std::abs(got.red - expected.red) > tolerance || std::abs(got.green - expected.green) > tolerance ||
                std::abs(got.blue - expected.blue) > tolerance) {
                ++count;
            }
        }
    }
    return count;
}

}  // namespace

TEST(PictureReaders, DecodeLikeTheirOwnLibraries) {
    // Tolerance: 10-bit alpha is rounded to 8 bits before the reader blends
    // it, libheif's reference blends first.
    const struct {
        const char* name;
        int bits;
        int tolerance;
    } cases[] = {
        {"lossy.webp", 24, 0},     {"lossy-alpha.webp", 24, 0},
        {"lossless.webp", 24, 0},  {"lossless-alpha.webp", 24, 0},
        {"animated.webp", 24, 0},  {"animated-offset.webp", 24, 0},
        {"plain.gif", 8, 0},       {"interlaced.gif", 8, 0},
        {"transparent.gif", 8, 0}, {"offset.gif", 8, 0},
        {"animated.gif", 8, 0},    {"local.gif", 8, 0},
        {"rgb.tif", 24, 0},        {"rgb-tiles.tif", 24, 0},
        {"rgba.tif", 24, 0},       {"rgba-associated.tif", 24, 0},
        {"grey8.tif", 24, 0},      {"grey16.tif", 24, 0},
        {"bilevel.tif", 24, 0},    {"palette.tif", 24, 0},
        {"cmyk.tif", 24, 0},       {"ycbcr-jpeg.tif", 24, 0},
        {"pages.tif", 24, 0},      {"plain.heic", 24, 0},
        {"plain.avif", 24, 0},     {"deep10.heic", 24, 0},
        {"deep12.heic", 24, 0},    {"deep10.avif", 24, 0},
        {"deep12.avif", 24, 0},    {"alpha.heic", 24, 0},
        {"alpha.avif", 24, 0},     {"alpha10.heic", 24, 1},
        {"odd.avif", 24, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Picture want = reference(c.name);
        Image image = filled_image();
        ASSERT_EQ(read_file(image, c.name, bytes_of(c.name)), "");
        ASSERT_EQ(image.width(), want.width);
        ASSERT_EQ(image.height(), want.height);
        EXPECT_EQ(image.bit_count(), c.bits);
        EXPECT_EQ(mismatches(image, want, 1, c.tolerance), 0);
    }
    // What the generator made is what the cases are named after.
    int error = 0;
    GifFileType* local = DGifOpenFileName(path_of("local.gif").c_str(), &error);
    ASSERT_TRUE(local && DGifSlurp(local) == GIF_OK);
    EXPECT_TRUE(local->SColorMap == nullptr && local->SavedImages[0].ImageDesc.ColorMap != nullptr);
    DGifCloseFile(local, &error);
    EXPECT_EQ(bytes_of("interlaced.gif")[798] & 0x40, 0x40);
}

TEST(PictureReaders, OrientationsTurnThePictureAsTagged) {
    struct Case {
        std::string file;
        Picture stored;
        int orientation;
    };
    std::vector<Case> cases;
    for (const std::string ext : {".webp", ".tif"}) {
        const Picture stored = reference("orientation-1" + ext);
        for (int o = 1; o <= 8; ++o) cases.push_back({"orientation-" + std::to_string(o) + ext, stored, o});
    }
    // Lossless HEIF and AVIF files, held to the encoder's input.
    for (const std::string ext : {".heic", ".avif"}) {
        for (int o = 1; o <= 8; ++o) cases.push_back({"turn" + std::to_string(o) + ext, encoder_input(), o});
    }
    cases.push_back({"orientation-named-6.webp", reference("orientation-1.webp"), 6});
    // Grey takes libtiff's RGBA interface; 8-bit RGB strips go around it.
    cases.push_back({"orientation-grey-6.tif", reference("grey8.tif"), 6});
    for (Case& c : cases) {
        SCOPED_TRACE(c.file);
        Image image;
        ASSERT_EQ(read_file(image, c.file, bytes_of(c.file)), "");
        ASSERT_EQ(image.width(), c.orientation >= 5 ? c.stored.height : c.stored.width);
        ASSERT_EQ(image.height(), c.orientation >= 5 ? c.stored.width : c.stored.height);
        EXPECT_EQ(mismatches(image, c.stored, c.orientation), 0);
    }
}

namespace {

std::string overwrite(std::string bytes, std::size_t at, const std::string& with) {
    return bytes.replace(at, with.size(), with);
}

std::string cut(const std::string& name, std::size_t divisor) {
    const std::string bytes = bytes_of(name);
    return bytes.substr(0, bytes.size() / divisor);
}

// The file with bytes from .. to after the first `box` tag flipped by `mask`.
std::string damaged(const std::string& name, const char* box, std::size_t from, std::size_t to, char mask) {
    std::string bytes = bytes_of(name);
    const std::size_t at = bytes.find(box);
    for (std::size_t i = at + from; i < at + to; ++i) bytes[i] = static_cast<char>(bytes[i] ^ mask);
    return bytes;
}

// Headers claiming 100 000 x 100 000 pixels (GIF: its largest, 65 535
// squared), with next to nothing behind them.
std::string huge_webp() {
    std::string b("RIFF\x16\0\0\0WEBPVP8X\x0A\0\0\0\x02\0\0\0", 24);
    for (int side = 0; side < 2; ++side) b += std::string("\x9F\x86\x01", 3);  // 99 999
    return b;
}

// A GIF screen of width x height with a two-colour table, cut before its frame.
std::string gif_screen(int width, int height) {
    std::string b = "GIF89a";
    for (int side : {width, height}) b += {static_cast<char>(side & 0xFF), static_cast<char>(side >> 8)};
    return b + std::string("\x80\0\0\0\0\0\xFF\xFF\xFF,", 10);
}

// rgb.tif with fields changed by libtiff, which writes the directory anew.
std::string rewritten_tiff(const std::function<bool(TIFF*)>& change) {
    // A file of this process's own: ctest runs each test in a process, side by side.
    const std::string path = testing::TempDir() + "rewritten-" + std::to_string(::getpid()) + ".tif";
    std::filesystem::copy_file(path_of("rgb.tif"), path, std::filesystem::copy_options::overwrite_existing);
    TIFF* tif = TIFFOpen(path.c_str(), "r+");
    if (!tif || !change(tif) || !TIFFRewriteDirectory(tif)) ADD_FAILURE() << "libtiff cannot rewrite rgb.tif";
    if (tif) TIFFClose(tif);
    std::string bytes = file_bytes(path);
    std::filesystem::remove(path);
    return bytes;
}

std::string huge_tiff() {
    return rewritten_tiff([](TIFF* tif) {
        return TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 100000u) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 100000u);
    });
}

// The HEIF or AVIF file with every 'ispe' box (an image's size) claiming width x height.
std::string heif_claiming(const std::string& name, std::uint32_t width, std::uint32_t height) {
    std::string bytes = bytes_of(name);
    for (std::size_t at = bytes.find("ispe"); at != std::string::npos; at = bytes.find("ispe", at + 1)) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + 8 + i] = static_cast<char>(width >> (24 - 8 * i));
            bytes[at + 12 + i] = static_cast<char>(height >> (24 - 8 * i));
        }
    }
    return bytes;
}

}  // namespace

TEST(PictureReaders, BrokenFilesEndInTheirMessageAndPrintNothing) {
    const std::string avif = bytes_of("plain.avif");
    const struct {
        const char* name;
        const char* file;  // whose reader reads the bytes
        std::string bytes;
        const char* message;
    } cases[] = {
        {"WebP cut in its header", "x.webp", cut("lossy.webp", 700), messages::kFileError},
        {"WebP cut in its data", "x.webp", cut("lossless-alpha.webp", 2), messages::kFileError},
        {"animated WebP cut", "x.webp", cut("animated.webp", 3), messages::kFileError},
        {"GIF cut in its header", "x.gif", cut("plain.gif", 1000), messages::kFileError},
        {"GIF cut in its frame", "x.gif", cut("interlaced.gif", 2), messages::kFileError},
        {"TIFF cut", "x.tif", cut("ycbcr-jpeg.tif", 2), messages::kFileError},
        {"empty HEIF", "x.heic", "", messages::kFileError},
        {"HEIF cut in its boxes", "x.heic", bytes_of("plain.heic").substr(0, 100), messages::kFileError},
        {"AVIF cut in its pixels", "x.avif", avif.substr(0, avif.size() - 40), messages::kFileError},
        {"lossy WebP without its start code", "x.webp", overwrite(bytes_of("lossy.webp"), 23, std::string(3, '\0')),
         messages::kFormatError},
        {"lossless WebP without its signature", "x.webp",
         overwrite(bytes_of("lossless.webp"), 20, std::string(1, '\0')), messages::kFormatError},
        {"GIF without its frame separator", "x.gif", overwrite(bytes_of("plain.gif"), 789, "X"),
         messages::kFormatError},
        {"GIF with a code size past 8", "x.gif", overwrite(bytes_of("plain.gif"), 799, "\x0C"), messages::kFormatError},
        {"TIFF with damaged LZW data", "x.tif", overwrite(bytes_of("rgb-tiles.tif"), 8, std::string(64, '\xFF')),
         messages::kFormatError},
        {"HEIF with damaged boxes", "x.heic", damaged("plain.heic", "meta", 8, 60, 0x5C), messages::kFormatError},
        // The decoders' own complaints: a picture size in the HEVC parameters
        // that is no multiple of the coding block, and AV1 data that is noise.
        {"damaged HEVC parameters", "x.heic", damaged("plain.heic", "hvcC", 80, 81, 0x01), messages::kFormatError},
        {"damaged AV1 data", "x.avif", damaged("plain.avif", "mdat", 4, 12, 0x5C), messages::kFormatError},
        {"a GIF named WebP", "x.webp", bytes_of("plain.gif"), messages::kFormatError},
        {"three bytes of a GIF named WebP", "x.webp", "GIF", messages::kFormatError},
        {"a WebP named GIF", "x.gif", bytes_of("lossy.webp"), messages::kFormatError},
        {"a GIF named TIFF", "x.tif", bytes_of("plain.gif"), messages::kFormatError},
        {"a PNG signature and text named HEIF", "x.heic", "\x89PNG\r\n\x1a\n not a picture at all, only text",
         messages::kFormatError},
        {"GIF screen of no width", "x.gif", gif_screen(0, 10), messages::kFormatError},
        {"huge WebP", "x.webp", huge_webp(), messages::kNoImageMemory},
        {"huge GIF", "x.gif", gif_screen(65535, 65535), messages::kNoImageMemory},
        {"huge TIFF", "x.tif", huge_tiff(), messages::kNoImageMemory},
        {"huge HEIF", "x.heic", heif_claiming("plain.heic", 100000, 100000), messages::kNoImageMemory},
        {"AVIF wider than libheif's limit", "x.avif", heif_claiming("plain.avif", 1u << 20, 16),
         messages::kNoImageMemory},
        // Found by fuzzing: a 24 x 16 picture over an overlay's canvas of 17807 x 46019.
        {"HEIF overlay canvas", "x.heic",
         file_bytes(std::filesystem::path(TESSERIN_FUZZ_CRASHES) / "heif-overlay-canvas-oom.heic"),
         messages::kNoImageMemory},
    };
    // A refused picture costs its reader little more than its headers.
    // AddressSanitizer writes the shadow of every large block it frees: an
    // eighth of the image's own pixel memory, which the cap holds to 1 GiB.
    const long allowed_kib = 16L * 1024 + (kAddressSanitizer ? static_cast<long>(Image::kMaxImageBytes / 8 / 1024) : 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = filled_image();
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        EXPECT_EQ(read_file(image, c.file, c.bytes), c.message);
        EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
        EXPECT_TRUE(is_empty(image));
        if (c.message == messages::kNoImageMemory) {
            const ChildRead result = read_in_child([&](Image& child) { return read_file(child, c.file, c.bytes); });
            EXPECT_EQ(result.message, c.message);
            EXPECT_GE(result.grown_kib, 0);
            EXPECT_LT(result.grown_kib, allowed_kib);
        }
    }
}

namespace {

// Little CMS's double-precision answer for the picture's colours taken as
// Display P3, in one transform (p3test's answer, pixel by pixel, is slow).
void to_srgb_from_p3(Picture& picture) {
    cmsHPROFILE p3 = p3test::open_display_p3();
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(p3, TYPE_RGB_DBL, srgb, TYPE_RGB_DBL, INTENT_PERCEPTUAL, 0);
    std::vector<double> rgb;
    for (const Color& c : picture.pixels) rgb.insert(rgb.end(), {c.red / 255.0, c.green / 255.0, c.blue / 255.0});
    cmsDoTransform(t, rgb.data(), rgb.data(), static_cast<cmsUInt32Number>(picture.pixels.size()));
    cmsDeleteTransform(t);
    cmsCloseProfile(p3);
    cmsCloseProfile(srgb);
    auto byte = [](double v) { return static_cast<int>(std::lround(std::fmin(std::fmax(v, 0.0), 1.0) * 255)); };
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        picture.pixels[i] = Color(byte(rgb[3 * i]), byte(rgb[3 * i + 1]), byte(rgb[3 * i + 2]));
    }
}

}  // namespace

TEST(PictureReaders, EmbeddedProfilesGiveSrgbColours) {
    const std::string icc = p3test::display_p3_icc();
    const WebPData profile{reinterpret_cast<const std::uint8_t*>(icc.data()), icc.size()};
    // lossless.webp with an ICCP chunk, put in by libwebp's muxer.
    const std::string lossless = bytes_of("lossless.webp");
    const WebPData plain{reinterpret_cast<const std::uint8_t*>(lossless.data()), lossless.size()};
    WebPMux* mux = WebPMuxCreate(&plain, 1);
    WebPData assembled{};
    ASSERT_TRUE(mux && WebPMuxSetChunk(mux, "ICCP", &profile, 1) == WEBP_MUX_OK &&
                WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK);
    const std::string webp(reinterpret_cast<const char*>(assembled.bytes), assembled.size);
    WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    const std::string tiff = rewritten_tiff([&](TIFF* tif) {
        return TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(icc.size()), icc.data()) == 1;
    });

    // The colours as P3: the library's own decode, or a lossless file's input.
    struct Case {
        std::string file, bytes;
        Picture p3;
    };
    Case cases[] = {
        {"lossless.webp", webp, reference("lossless.webp")},
        {"rgb.tif", tiff, reference("rgb.tif")},
        // An ICC profile, and P3 named by its colour description.
        {"p3icc.heic", bytes_of("p3icc.heic"), reference("p3icc.heic")},
        {"p3icc.avif", bytes_of("p3icc.avif"), reference("p3icc.avif")},
        {"p3nclx.avif", bytes_of("p3nclx.avif"), reference("p3nclx.avif")},
        // P3's pure red and green, beyond sRGB, and two colours within it.
        {"p3colours.heic", bytes_of("p3colours.heic"), encoder_input(true)},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.file);
        to_srgb_from_p3(c.p3);
        Image image;
        ASSERT_EQ(read_file(image, c.file, c.bytes), "");
        ASSERT_EQ(image.width(), c.p3.width);
        ASSERT_EQ(image.height(), c.p3.height);
        // Little CMS's 8-bit pipeline may round one step off its double-precision answer.
        EXPECT_EQ(mismatches(image, c.p3, 1, 1), 0);
    }
}
