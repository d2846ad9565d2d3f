// The readers on the public corpora (BMP Suite and PngSuite). Every file
// either decodes or ends in one exception of the family; decoded pixels are
// compared with an independent decoding: the suite's reference pictures for
// BMP Suite and Qt's PNG decoder for PngSuite. Each decoded image equals the
// plain per-pixel reference byte for byte.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <filesystem>
#include <fstream>
#include <map>

#include "readers/BmpReader.h"
#include "readers/PngReader.h"
#include "tests/readers/PerPixelReference.h"
#include "tests/readers/ReaderTestUtil.h"

namespace fs = std::filesystem;

namespace {

const fs::path kData = TESSERIN_TESTDATA;

QImage reference(const fs::path& path) {
    QImage image(QString::fromStdString(path.string()));
    return image.convertToFormat(QImage::Format_RGBA64);
}

// Compares what the image shows with the reference, each reference pixel
// first taken to 8 bits and then through `expected`. Returns "" or the first
// difference.
std::string compare(const Image& image, const QImage& ref,
                    const std::function<Color(int r, int g, int b, int a)>& expected) {
    if (ref.isNull()) return "no reference";
    if (ref.width() != image.width() || ref.height() != image.height()) return "size differs";
    for (int y = 0; y < ref.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgba64*>(ref.constScanLine(y));
        for (int x = 0; x < ref.width(); ++x) {
            const QRgba64 p = line[x];
            const Color want = expected(p.red() >> 8, p.green() >> 8, p.blue() >> 8, p.alpha() >> 8);
            const Color got = shown(image, x, y);
            if (!(got == want)) {
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " + std::to_string(got.red) +
                       "," + std::to_string(got.green) + "," + std::to_string(got.blue) + ", reference " +
                       std::to_string(want.red) + "," + std::to_string(want.green) + "," + std::to_string(want.blue);
            }
        }
    }
    return "";
}

Color opaque(int r, int g, int b, int) { return Color(r, g, b); }

struct BmpCase {
    const char* message;    // "" when the file decodes
    const char* reference;  // html/ picture to compare with, when it decodes
    bool swapped = false;   // stored with red and green swapped (its colour profile is not applied)
};

// What each file of BMP Suite gives, and why.
const std::map<std::string, BmpCase>& bmp_cases() {
    static const char* ok = "";
    static const char* format = messages::kFormatError;
    static const std::map<std::string, BmpCase> cases = {
        {"g/pal1.bmp", {ok, "pal1.png"}},
        {"g/pal1bg.bmp", {ok, "pal1bg.png"}},
        {"g/pal1wb.bmp", {ok, "pal1.png"}},
        {"g/pal4.bmp", {ok, "pal4.png"}},
        {"g/pal4gs.bmp", {ok, "pal4gs.png"}},
        {"g/pal8-0.bmp", {ok, "pal8.png"}},
        {"g/pal8.bmp", {ok, "pal8.png"}},
        {"g/pal8gs.bmp", {ok, "pal8gs.png"}},
        {"g/pal8nonsquare.bmp", {ok, "pal8nonsquare-e.png"}},  // pixels as stored, not stretched
        {"g/pal8v4.bmp", {ok, "pal8.png"}},
        {"g/pal8v5.bmp", {ok, "pal8.png"}},
        {"g/pal8w124.bmp", {ok, "pal8w124.png"}},
        {"g/pal8w125.bmp", {ok, "pal8w125.png"}},
        {"g/pal8w126.bmp", {ok, "pal8w126.png"}},
        {"g/rgb24.bmp", {ok, "rgb24.png"}},
        {"g/rgb24pal.bmp", {ok, "rgb24.png"}},
        // Run-length and bit-field compression are not read.
        {"g/pal4rle.bmp", {format, nullptr}},
        {"g/pal8rle.bmp", {format, nullptr}},
        {"g/rgb16-565.bmp", {format, nullptr}},
        {"g/rgb16-565pal.bmp", {format, nullptr}},
        {"g/rgb16bfdef.bmp", {format, nullptr}},
        {"g/rgb32bf.bmp", {format, nullptr}},
        {"g/rgb32bfdef.bmp", {format, nullptr}},
        {"g/pal8os2.bmp", {format, nullptr}},                 // 12-byte core header
        {"g/pal8topdown.bmp", {format, nullptr}},             // negative height
        {"g/rgb16.bmp", {format, nullptr}},                   // 16 bits have no pixel path
        {"g/rgb32.bmp", {messages::kNotSupported, nullptr}},  // the image refuses 32-bit pixels
        {"q/pal1p1.bmp", {ok, "pal1p1.png"}},                 // the missing entry is black
        {"q/pal2.bmp", {ok, "pal2.png"}},
        {"q/pal2color.bmp", {ok, "pal2color.png"}},
        {"q/pal8offs.bmp", {ok, "pal8.png"}},
        {"q/pal8oversizepal.bmp", {ok, "pal8.png"}},
        {"q/pal8os2v2-40sz.bmp", {ok, "pal8.png"}},
        {"q/pal8os2v2-sz.bmp", {ok, "pal8.png"}},  // 64-byte header, first 40 bytes as usual
        {"q/pal8os2v2.bmp", {ok, "pal8.png"}},
        {"q/rgb24largepal.bmp", {ok, "rgb24.png"}},
        {"q/rgb24lprof.bmp", {ok, "rgb24.png"}},
        {"q/rgb24prof.bmp", {ok, "rgb24.png"}},
        {"q/rgb24prof2.bmp", {ok, "rgb24.png", true}},
        {"q/pal1huffmsb.bmp", {format, nullptr}},
        {"q/pal4rlecut.bmp", {format, nullptr}},
        {"q/pal4rletrns.bmp", {format, nullptr}},
        {"q/pal8rlecut.bmp", {format, nullptr}},
        {"q/pal8rletrns.bmp", {format, nullptr}},
        {"q/rgb24jpeg.bmp", {format, nullptr}},
        {"q/rgb24png.bmp", {format, nullptr}},
        {"q/rgb24rle24.bmp", {format, nullptr}},
        {"q/rgb16-231.bmp", {format, nullptr}},
        {"q/rgb16-3103.bmp", {format, nullptr}},
        {"q/rgb32-111110.bmp", {format, nullptr}},
        {"q/rgb32-7187.bmp", {format, nullptr}},
        {"q/rgb32-xbgr.bmp", {format, nullptr}},
        {"q/rgb32h52.bmp", {format, nullptr}},
        {"q/rgba16-1924.bmp", {format, nullptr}},
        {"q/rgba16-4444.bmp", {format, nullptr}},
        {"q/rgba16-5551.bmp", {format, nullptr}},
        {"q/rgba32-1.bmp", {format, nullptr}},
        {"q/rgba32-1010102.bmp", {format, nullptr}},
        {"q/rgba32-2.bmp", {format, nullptr}},
        {"q/rgba32-61754.bmp", {format, nullptr}},
        {"q/rgba32-81284.bmp", {format, nullptr}},
        {"q/rgba32abf.bmp", {format, nullptr}},
        {"q/rgba32h56.bmp", {format, nullptr}},
        {"q/pal8os2-hs.bmp", {format, nullptr}},  // core headers
        {"q/pal8os2-sz.bmp", {format, nullptr}},
        {"q/pal8os2sp.bmp", {format, nullptr}},
        {"q/pal8os2v2-16.bmp", {format, nullptr}},  // 16-byte header
        {"q/rgb16faketrns.bmp", {format, nullptr}},
        {"q/rgba64.bmp", {format, nullptr}},
        {"q/rgb32fakealpha.bmp", {messages::kNotSupported, nullptr}},
        // Fields nobody reads are wrong: the pictures are fine.
        {"b/badbitssize.bmp", {ok, "pal1.png"}},
        {"b/baddens1.bmp", {ok, "pal1.png"}},
        {"b/baddens2.bmp", {ok, "pal1.png"}},
        {"b/badfilesize.bmp", {ok, "pal1.png"}},
        {"b/badheadersize.bmp", {ok, "pal1.png"}},
        {"b/badplanes.bmp", {ok, "pal1.png"}},
        {"b/pal8badindex.bmp", {ok, nullptr}},  // indexes past the table show black
        {"b/badbitcount.bmp", {format, nullptr}},
        {"b/badwidth.bmp", {format, nullptr}},
        {"b/badrle.bmp", {format, nullptr}},
        {"b/badrle4.bmp", {format, nullptr}},
        {"b/badrle4bis.bmp", {format, nullptr}},
        {"b/badrle4ter.bmp", {format, nullptr}},
        {"b/badrlebis.bmp", {format, nullptr}},
        {"b/badrleter.bmp", {format, nullptr}},
        {"b/rgb16-880.bmp", {format, nullptr}},
        {"b/rletopdown.bmp", {format, nullptr}},
        {"b/badpalettesize.bmp", {messages::kFileError, nullptr}},  // the table runs past the end
        {"b/shortfile.bmp", {messages::kFileError, nullptr}},       // ends inside the pixels
        {"b/reallybig.bmp", {messages::kNoImageMemory, nullptr}},   // 3000000 x 2000000
        {"x/ba-bm.bmp", {format, nullptr}},                         // an OS/2 bitmap array, "BA"
    };
    return cases;
}

std::vector<fs::path> files_in(const fs::path& folder, const std::string& extension) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == extension) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

struct PngFacts {
    int color_type = 0;
    std::string background;  // the manifest's bKGD value, "" when none
};

std::map<std::string, PngFacts> png_manifest() {
    std::map<std::string, PngFacts> facts;
    std::ifstream in(kData / "pngsuite" / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream s(line);
        std::string cell;
        while (std::getline(s, cell, '\t')) cells.push_back(cell);
        if (cells.size() < 14 || cells[6].empty()) continue;
        facts[cells[0]] = {std::stoi(cells[6]), cells[13]};
    }
    return facts;
}

// The background a truecolour or grey file with alpha is blended over, at
// 8 bits, from the manifest's own reading of the bKGD chunk.
Color background_of(const PngFacts& facts, int depth) {
    const int shift = depth == 16 ? 8 : 0;
    if (facts.background.rfind("gray=", 0) == 0) {
        const int g = std::stoi(facts.background.substr(5)) >> shift;
        return Color(g, g, g);
    }
    if (facts.background.rfind("rgb=", 0) == 0) {
        int r = 0, g = 0, b = 0;
        std::sscanf(facts.background.c_str(), "rgb=%d,%d,%d", &r, &g, &b);
        return Color(r >> shift, g >> shift, b >> shift);
    }
    return Color(255, 255, 255);
}

// The file without its tRNS chunks: Qt applies transparency, and keeps no
// reliable colour under transparent pixels (16-bit truecolour ones it even
// mangles), while the reader leaves transparency alone.
QImage without_transparency(const std::string& png) {
    std::string out = png.substr(0, 8);
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(png[i])); };
        const std::uint32_t length = byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
        const std::size_t whole = std::min<std::size_t>(12 + std::size_t{length}, png.size() - at);
        if (png.compare(at + 4, 4, "tRNS") != 0) out += png.substr(at, whole);
        at += whole;
    }
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(out.data()), static_cast<int>(out.size()), "PNG");
    return image.convertToFormat(QImage::Format_RGBA64);
}

}  // namespace

TEST(BmpSuite, EveryFileEndsAsListedAndMatchesItsReference) {
    const auto& cases = bmp_cases();
    std::size_t seen = 0;
    for (const char* folder : {"g", "q", "b", "x"}) {
        for (const fs::path& path : files_in(kData / "bmpsuite" / folder, ".bmp")) {
            const std::string name = std::string(folder) + "/" + path.filename().string();
            SCOPED_TRACE(name);
            const auto found = cases.find(name);
            ASSERT_NE(found, cases.end()) << "not listed";
            ++seen;
            const std::string bytes = file_bytes(path);
            Image rows;
            EXPECT_EQ(decode_with<BmpReader>(rows, bytes), found->second.message);
            if (*found->second.message != '\0') {
                EXPECT_TRUE(is_empty(rows));
                continue;
            }
            EXPECT_EQ(memory_of(rows), memory_of(reader_test::bmp_per_pixel(bytes, rows)))
                << "differs from the reference";
            if (found->second.reference) {
                const QImage ref = reference(kData / "bmpsuite" / "html" / found->second.reference);
                const auto swap = [](int r, int g, int b, int) { return Color(g, r, b); };
                EXPECT_EQ(compare(rows, ref, found->second.swapped ? swap : opaque), "");
            }
        }
    }
    EXPECT_EQ(seen, cases.size()) << "listed files are missing from the corpus";
}

TEST(BmpSuite, IndexesPastTheTableShowBlack) {
    Image image;
    ASSERT_EQ(decode_with<BmpReader>(image, file_bytes(kData / "bmpsuite" / "b" / "pal8badindex.bmp")), "");
    EXPECT_EQ(image.palette_size(), 256u);
    for (int i = 101; i < 256; ++i) ASSERT_EQ(image.palette_color(i), Color()) << i;
}

TEST(PngSuite, EveryFileDecodesLikeQtOrIsAFormatError) {
    const auto manifest = png_manifest();
    int decoded = 0;
    for (const fs::path& path : files_in(kData / "pngsuite", ".png")) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        const std::string bytes = file_bytes(path);
        Image rows;
        const std::string message = decode_with<PngReader>(rows, bytes);
        // The suite's x files are corrupt on purpose (bad signatures, colour
        // type and depth combinations PNG does not have, a bad checksum, a
        // missing or empty image data chunk) and libpng refuses each; every
        // other file is valid and decodes.
        if (name[0] == 'x') {
            EXPECT_EQ(message, messages::kFormatError);
            EXPECT_TRUE(is_empty(rows));
            continue;
        }
        ASSERT_EQ(message, "");
        ++decoded;
        EXPECT_EQ(memory_of(rows), memory_of(reader_test::png_per_pixel(bytes, rows))) << "differs from the reference";
        const auto facts = manifest.find(name);
        ASSERT_NE(facts, manifest.end());
        const int type = facts->second.color_type;
        const QImage ref = without_transparency(bytes);
        if (type == 4 || type == 6) {
            const int depth = name.find("16") != std::string::npos ? 16 : 8;
            const Color bg = background_of(facts->second, depth);
            const auto blend = [](int v, int a, int b) { return (v * a + b * (255 - a) + 127) / 255; };
            EXPECT_EQ(compare(rows, ref,
                              [&](int r, int g, int b, int a) {
                                  return Color(blend(r, a, bg.red), blend(g, a, bg.green), blend(b, a, bg.blue));
                              }),
                      "");
        } else {
            EXPECT_EQ(compare(rows, ref, opaque), "");
        }
    }
    EXPECT_GT(decoded, 150);
}

TEST(PngSuite, GreyAndPaletteFilesKeepTheirDepth) {
    const struct {
        const char* file;
        int bits;
    } cases[] = {{"basn0g01.png", 1}, {"basn0g02.png", 2},  {"basn0g04.png", 4},  {"basn0g08.png", 8},
                 {"basn0g16.png", 8}, {"basn3p01.png", 1},  {"basn3p02.png", 2},  {"basn3p04.png", 4},
                 {"basn3p08.png", 8}, {"basn2c16.png", 24}, {"basn4a16.png", 24}, {"basn6a08.png", 24}};
    for (const auto& c : cases) {
        Image image;
        ASSERT_EQ(decode_with<PngReader>(image, file_bytes(kData / "pngsuite" / c.file)), "") << c.file;
        EXPECT_EQ(image.bit_count(), c.bits) << c.file;
        if (c.file[4] == '0') {
            EXPECT_TRUE(image.is_grayscale()) << c.file;
        }
    }
    Image grey16;
    ASSERT_EQ(decode_with<PngReader>(grey16, file_bytes(kData / "pngsuite" / "basn0g16.png")), "");
    for (int i = 0; i < 256; ++i) ASSERT_EQ(grey16.palette_color(i), Color(i, i, i));
}

TEST(PngSuite, InterlacedFilesEqualTheirPlainTwins) {
    for (const fs::path& path : files_in(kData / "pngsuite", ".png")) {
        std::string name = path.filename().string();
        if (name.rfind("basi", 0) != 0 && !(name[0] == 's' && name[3] == 'i')) continue;
        std::string twin = name;
        twin[3] = 'n';
        Image interlaced;
        Image plain;
        ASSERT_EQ(decode_with<PngReader>(interlaced, file_bytes(path)), "") << name;
        ASSERT_EQ(decode_with<PngReader>(plain, file_bytes(kData / "pngsuite" / twin)), "") << twin;
        EXPECT_EQ(memory_of(interlaced), memory_of(plain)) << name;
    }
}
