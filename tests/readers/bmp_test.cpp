// The bitmap reader on bitmaps built here byte by byte.
#include <gtest/gtest.h>

#include "readers/BmpReader.h"
#include "tests/readers/ReaderTestUtil.h"

namespace {

void put(std::string& s, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A bitmap file; every field can be bent to make a bad one.
struct Bmp {
    std::string type = "BM";
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t header_size = 40;
    std::uint32_t compression = 0;
    std::uint32_t colours_used = 0;
    std::vector<std::uint32_t> table;  // 0x00RRGGBB, written as blue, green, red, 0
    std::int64_t offset = -1;          // -1: right after the table
    std::string gap;                   // bytes between the table and the pixels
    std::string pixels;

    std::string bytes() const {
        std::string h;
        put(h, header_size, 4);
        put(h, static_cast<std::uint32_t>(width), 4);
        put(h, static_cast<std::uint32_t>(height), 4);
        put(h, 1, 2);
        put(h, bits, 2);
        put(h, compression, 4);
        put(h, 0, 4);
        put(h, 2835, 4);
        put(h, 2835, 4);
        put(h, colours_used, 4);
        put(h, 0, 4);
        if (header_size > 40) h += std::string(header_size - 40, '\x7f');
        for (std::uint32_t c : table) put(h, c, 4);
        h += gap;
        const std::uint32_t off =
            offset >= 0 ? static_cast<std::uint32_t>(offset) : static_cast<std::uint32_t>(14 + h.size() - gap.size());
        std::string f = type.substr(0, 2);
        put(f, static_cast<std::uint32_t>(14 + h.size() + pixels.size()), 4);
        put(f, 0, 2);
        put(f, 0, 2);
        put(f, off, 4);
        return f + h + pixels;
    }
};

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

std::string read(Image& image, const Bmp& bmp) { return decode_with<BmpReader>(image, bmp.bytes()); }

}  // namespace

TEST(BmpReader, ReadsEightBitRowsBottomUpWithTheirPalette) {
    Bmp bmp;
    bmp.width = 3;
    bmp.height = 2;
    bmp.bits = 8;
    bmp.colours_used = 3;
    bmp.table = {0x000000, 0xFF0000, 0x00FF80};
    bmp.pixels = bytes({2, 1, 0, 0, /* top row: */ 0, 1, 2, 0});
    Image image;
    ASSERT_EQ(read(image, bmp), "");
    EXPECT_EQ(image.bit_count(), 8);
    EXPECT_EQ(image.palette_size(), 256u);
    EXPECT_EQ(image.get_index(Point(0, 0), true), 0);
    EXPECT_EQ(image.get_index(Point(2, 0), true), 2);
    EXPECT_EQ(image.get_index(Point(0, 1), true), 2) << "the file's first row is the bottom row";
    EXPECT_EQ(image.palette_color(1), Color(255, 0, 0));
    EXPECT_EQ(image.palette_color(2), Color(0, 255, 128));
    EXPECT_EQ(image.palette_color(3), Color(0, 0, 0)) << "entries the file does not give are black";
    EXPECT_EQ(image.palette_color(255), Color(0, 0, 0));
}

TEST(BmpReader, ColoursUsedZeroMeansAFullTable) {
    Bmp bmp;
    bmp.bits = 8;
    for (std::uint32_t i = 0; i < 256; ++i) bmp.table.push_back(i * 0x010101);
    bmp.pixels = bytes({200, 0, 0, 0});
    Image image;
    ASSERT_EQ(read(image, bmp), "");
    EXPECT_EQ(shown(image, 0, 0), Color(200, 200, 200));
}

TEST(BmpReader, PixelsFollowAtTheDataOffset) {
    Bmp bmp;
    bmp.bits = 8;
    bmp.colours_used = 16;
    bmp.table.assign(16, 0x102030);
    bmp.gap = "garbage!";
    bmp.offset = 14 + 40 + 64 + 8;
    bmp.pixels = bytes({5, 0, 0, 0});
    Image image;
    ASSERT_EQ(read(image, bmp), "");
    EXPECT_EQ(image.get_index(Point(0, 0), true), 5);

    // An offset pointing back into the table does not move backwards.
    bmp.gap.clear();
    bmp.offset = 20;
    ASSERT_EQ(read(image, bmp), "");
    EXPECT_EQ(image.get_index(Point(0, 0), true), 5);
}

TEST(BmpReader, TwentyFourBitFilesSkipTheirColourTable) {
    Bmp bmp;
    bmp.width = 3;
    bmp.colours_used = 2;
    bmp.table = {0xFFFFFF, 0xFFFFFF};
    bmp.pixels = bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE});
    Image image;
    ASSERT_EQ(read(image, bmp), "");
    EXPECT_EQ(image.stride(), 12);
    EXPECT_EQ(image.get_color(Point(0, 0), true), Color(3, 2, 1));
    EXPECT_EQ(image.get_color(Point(2, 0), true), Color(9, 8, 7));
    EXPECT_EQ(image.bitmap()[9], 0) << "padding is not taken from the file";
}

TEST(BmpReader, PackedPixelsRunFromTheTopBit) {
    Bmp one;
    one.bits = 1;
    one.table = {0x000000, 0xFFFFFF};
    one.pixels = bytes({0x80, 0xFF, 0xFF, 0xFF});
    Image image;
    ASSERT_EQ(read(image, one), "");
    EXPECT_EQ(image.stride(), 4);
    EXPECT_EQ(image.get_index(Point(0, 0), true), 1);
    EXPECT_EQ(memory_of(image), (std::vector<std::uint8_t>{0x80, 0, 0, 0}));

    Bmp two = one;
    two.bits = 2;
    two.width = 5;
    two.table = {0, 0x111111, 0x222222, 0x333333};
    two.pixels = bytes({0x1B, 0xC3, 0, 0});  // 0 1 2 3 | 3 and padding bits
    ASSERT_EQ(read(image, two), "");
    for (int x = 0; x < 4; ++x) EXPECT_EQ(image.get_index(Point(x, 0), true), x);
    EXPECT_EQ(image.get_index(Point(4, 0), true), 3);
    EXPECT_EQ(memory_of(image), (std::vector<std::uint8_t>{0x1B, 0xC0, 0, 0}));
}

TEST(BmpReader, LongerInformationHeadersAreSkipped) {
    for (std::uint32_t size : {52u, 108u, 124u}) {
        Bmp bmp;
        bmp.header_size = size;
        bmp.pixels = bytes({10, 20, 30, 0});
        Image image;
        ASSERT_EQ(read(image, bmp), "") << size;
        EXPECT_EQ(image.get_color(Point(0, 0), true), Color(30, 20, 10));
    }
}

TEST(BmpReader, OversizedColourTablesKeepTheFirst256Entries) {
    Bmp bmp;
    bmp.bits = 8;
    bmp.colours_used = 300;
    for (std::uint32_t i = 0; i < 300; ++i) bmp.table.push_back(i < 256 ? 0x000001 * i : 0xABCDEF);
    bmp.offset = 0;  // the skip counts all 300 entries
    bmp.pixels = bytes({255, 0, 0, 0});
    Image image;
    ASSERT_EQ(read(image, bmp), "");
    EXPECT_EQ(image.get_index(Point(0, 0), true), 255);
    EXPECT_EQ(image.palette_color(255), Color(0, 0, 255));
}

TEST(BmpReader, RefusesWhatItCannotDecode) {
    struct Case {
        const char* what;
        std::function<void(Bmp&)> bend;
        const char* message;
    };
    const Case cases[] = {
        {"not BM", [](Bmp& b) { b.type = "BA"; }, messages::kFormatError},
        {"compressed", [](Bmp& b) { b.compression = 1; }, messages::kFormatError},
        {"bit fields", [](Bmp& b) { b.compression = 3; }, messages::kFormatError},
        {"top-down", [](Bmp& b) { b.height = -1; }, messages::kFormatError},
        {"no rows", [](Bmp& b) { b.height = 0; }, messages::kFormatError},
        {"no columns", [](Bmp& b) { b.width = 0; }, messages::kFormatError},
        {"negative width", [](Bmp& b) { b.width = -4; }, messages::kFormatError},
        {"16 bits", [](Bmp& b) { b.bits = 16; }, messages::kFormatError},
        {"no bits", [](Bmp& b) { b.bits = 0; }, messages::kFormatError},
        {"64 bits", [](Bmp& b) { b.bits = 64; }, messages::kFormatError},
        {"core header", [](Bmp& b) { b.header_size = 12; }, messages::kFormatError},
        {"32 bits", [](Bmp& b) { b.bits = 32; }, messages::kNotSupported},
        {"32 bits, refused before its pixels",
         [](Bmp& b) {
             b.bits = 32;
             b.pixels.clear();
         },
         messages::kNotSupported},
        {"too big",
         [](Bmp& b) {
             b.width = 1 << 20;
             b.height = 1 << 20;
         },
         messages::kNoImageMemory},
        {"short pixels", [](Bmp& b) { b.pixels.pop_back(); }, messages::kFileError},
        {"no pixels", [](Bmp& b) { b.pixels.clear(); }, messages::kFileError},
        {"short table",
         [](Bmp& b) {
             b.bits = 8;
             b.colours_used = 200;
             b.table.assign(10, 0);
             b.pixels.clear();
         },
         messages::kFileError},
        {"huge table",
         [](Bmp& b) {
             b.bits = 8;
             b.colours_used = 0x7FFFFFFF;
         },
         messages::kFileError},
    };
    for (const Case& c : cases) {
        Bmp bmp;
        bmp.pixels = bytes({1, 2, 3, 0});
        c.bend(bmp);
        Image image = filled_image();
        EXPECT_EQ(decode_with<BmpReader>(image, bmp.bytes()), c.message) << c.what;
        EXPECT_TRUE(is_empty(image)) << c.what << ": a failed read leaves the image cleared";
    }
}

TEST(BmpReader, FilesEndingInsideTheHeadersAreFileErrors) {
    Bmp bmp;
    bmp.pixels = bytes({1, 2, 3, 0});
    const std::string whole = bmp.bytes();
    // A longer information header and a gap before the pixels, both skipped.
    bmp.header_size = 124;
    bmp.gap = "gap!";
    const std::string skipped = bmp.bytes();
    const std::pair<const std::string&, std::size_t> cuts[] = {
        {whole, 0},  {whole, 1},    {whole, 5},     {whole, 13},    {whole, 14},    {whole, 30},
        {whole, 53}, {skipped, 54}, {skipped, 100}, {skipped, 138}, {skipped, 140},
    };
    for (const auto& [file, length] : cuts) {
        Image image = filled_image();
        EXPECT_EQ(decode_with<BmpReader>(image, file.substr(0, length)), messages::kFileError) << length;
        EXPECT_TRUE(is_empty(image));
    }
}

TEST(BmpReader, ATinyCoreHeaderFileIsAFormatError) {
    // 1 x 1 at 24 bits with the 12-byte header: 30 bytes, fewer than a
    // 40-byte header needs.
    std::string core = "BM";
    put(core, 30, 4);
    put(core, 0, 4);
    put(core, 26, 4);
    put(core, 12, 4);
    put(core, 1, 2);
    put(core, 1, 2);
    put(core, 1, 2);
    put(core, 24, 2);
    core += bytes({1, 2, 3, 0});
    Image image = filled_image();
    EXPECT_EQ(decode_with<BmpReader>(image, core), messages::kFormatError);
    EXPECT_TRUE(is_empty(image));
}

TEST(BmpReader, ReadsOnlyForwardAndStopsAtThePixels) {
    Bmp bmp;
    bmp.pixels = bytes({1, 2, 3, 0});
    std::istringstream in(bmp.bytes() + "tail", std::ios::binary);
    Image image;
    BmpReader reader;
    reader.read(image, in);
    std::string rest;
    in >> rest;
    EXPECT_EQ(rest, "tail");
}
