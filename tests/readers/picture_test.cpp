// The WebP, GIF and TIFF readers on files written by Debian's encoders
// (make_pictures.sh), held to each library's own decode of the same file,
// and on cut, damaged and oversized files.
#include <gtest/gtest.h>

#include <gif_lib.h>
#include <tiffio.h>
#include <webp/demux.h>
#include <webp/mux.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include <unistd.h>

#include "readers/FormatRegistry.h"
#include "readers/GifReader.h"
#include "readers/TiffReader.h"
#include "readers/WebpReader.h"
#include "tests/readers/DisplayP3.h"
#include "tests/readers/ReaderTestUtil.h"

namespace {

std::string path_of(const std::string& name) { return std::string(TESSERIN_PICTURES) + "/" + name; }

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

Picture reference(const std::string& name) {
    const std::string ext = std::filesystem::path(name).extension();
    if (ext == ".webp") return webp_reference(name);
    if (ext == ".gif") return gif_reference(name);
    return tiff_reference(name);
}

FormatRegistry all_formats() {
    FormatRegistry registry;
    registry.add(std::make_unique<WebpFormat>());
    registry.add(std::make_unique<GifFormat>());
    registry.add(std::make_unique<TiffFormat>());
    return registry;
}

// Reads with the reader its extension names; the message, "" on success.
std::string read_file(Image& image, const std::string& name, const std::string& bytes) {
    const auto reader = all_formats().find(std::filesystem::path(name).extension().string().substr(1)).create_reader();
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
    const struct {
        const char* name;
        int bits;
    } cases[] = {
        {"lossy.webp", 24},     {"lossy-alpha.webp", 24},
        {"lossless.webp", 24},  {"lossless-alpha.webp", 24},
        {"animated.webp", 24},  {"animated-offset.webp", 24},
        {"plain.gif", 8},       {"interlaced.gif", 8},
        {"transparent.gif", 8}, {"offset.gif", 8},
        {"animated.gif", 8},    {"local.gif", 8},
        {"rgb.tif", 24},        {"rgb-tiles.tif", 24},
        {"rgba.tif", 24},       {"rgba-associated.tif", 24},
        {"grey8.tif", 24},      {"grey16.tif", 24},
        {"bilevel.tif", 24},    {"palette.tif", 24},
        {"cmyk.tif", 24},       {"ycbcr-jpeg.tif", 24},
        {"pages.tif", 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Picture want = reference(c.name);
        Image image = filled_image();
        ASSERT_EQ(read_file(image, c.name, bytes_of(c.name)), "");
        ASSERT_EQ(image.width(), want.width);
        ASSERT_EQ(image.height(), want.height);
        EXPECT_EQ(image.bit_count(), c.bits);
        EXPECT_EQ(mismatches(image, want), 0);
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
        std::string file, stored;
        int orientation;
    };
    std::vector<Case> cases;
    for (const std::string ext : {".webp", ".tif"}) {
        for (int o = 1; o <= 8; ++o)
            cases.push_back({"orientation-" + std::to_string(o) + ext, "orientation-1" + ext, o});
    }
    cases.push_back({"orientation-named-6.webp", "orientation-1.webp", 6});
    // Grey takes libtiff's RGBA interface; 8-bit RGB strips go around it.
    cases.push_back({"orientation-grey-6.tif", "grey8.tif", 6});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Picture stored = reference(c.stored);
        Image image;
        ASSERT_EQ(read_file(image, c.file, bytes_of(c.file)), "");
        EXPECT_EQ(image.width(), c.orientation >= 5 ? stored.height : stored.width);
        EXPECT_EQ(image.height(), c.orientation >= 5 ? stored.width : stored.height);
        EXPECT_EQ(mismatches(image, stored, c.orientation), 0);
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
    // A file of its own: ctest runs the tests of this file side by side.
    char pattern[] = "/tmp/tesserin-tiff-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) ADD_FAILURE() << "no temporary file";
    ::close(fd);
    const std::string path = pattern;
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

}  // namespace

TEST(PictureReaders, BrokenFilesEndInTheirMessageAndPrintNothing) {
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
        {"lossy WebP without its start code", "x.webp", overwrite(bytes_of("lossy.webp"), 23, std::string(3, '\0')),
         messages::kFormatError},
        {"lossless WebP without its signature", "x.webp",
         overwrite(bytes_of("lossless.webp"), 20, std::string(1, '\0')), messages::kFormatError},
        {"GIF without its frame separator", "x.gif", overwrite(bytes_of("plain.gif"), 789, "X"),
         messages::kFormatError},
        {"GIF with a code size past 8", "x.gif", overwrite(bytes_of("plain.gif"), 799, "\x0C"), messages::kFormatError},
        {"TIFF with damaged LZW data", "x.tif", overwrite(bytes_of("rgb-tiles.tif"), 8, std::string(64, '\xFF')),
         messages::kFormatError},
        {"a GIF named WebP", "x.webp", bytes_of("plain.gif"), messages::kFormatError},
        {"three bytes of a GIF named WebP", "x.webp", "GIF", messages::kFormatError},
        {"a WebP named GIF", "x.gif", bytes_of("lossy.webp"), messages::kFormatError},
        {"a GIF named TIFF", "x.tif", bytes_of("plain.gif"), messages::kFormatError},
        {"huge WebP", "x.webp", huge_webp(), messages::kNoImageMemory},
        {"GIF screen of no width", "x.gif", gif_screen(0, 10), messages::kFormatError},
        {"huge GIF", "x.gif", gif_screen(65535, 65535), messages::kNoImageMemory},
        {"huge TIFF", "x.tif", huge_tiff(), messages::kNoImageMemory},
    };
    const long allowed_kib = 64L * 1024 + (kAddressSanitizer ? static_cast<long>(Image::kMaxImageBytes / 8 / 1024) : 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = filled_image();
        testing::internal::CaptureStderr();
        EXPECT_EQ(read_file(image, c.file, c.bytes), c.message);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
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

    for (const auto& [file, bytes] : {std::pair{"lossless.webp", webp}, std::pair{"rgb.tif", tiff}}) {
        SCOPED_TRACE(file);
        Picture want = reference(file);
        to_srgb_from_p3(want);
        Image image;
        ASSERT_EQ(read_file(image, file, bytes), "");
        // Little CMS's 8-bit pipeline may round one step off its double-precision answer.
        EXPECT_EQ(mismatches(image, want, 1, 1), 0);
    }
}
