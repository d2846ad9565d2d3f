// The format registry: lookup by extension and the open dialog's filter.
#include <gtest/gtest.h>

#include <sstream>

#include "image/Image.h"
#include "readers/BmpReader.h"
#include "readers/FormatRegistry.h"
#include "readers/GifReader.h"
#include "readers/HeifReader.h"
#include "readers/JpegReader.h"
#include "readers/PngReader.h"
#include "readers/TiffReader.h"
#include "readers/WebpReader.h"

namespace {

FormatRegistry standard() {
    FormatRegistry registry;
    registry.add(std::make_unique<BmpFormat>());
    registry.add(std::make_unique<PngFormat>());
    registry.add(std::make_unique<JpegFormat>());
    registry.add(std::make_unique<WebpFormat>());
    registry.add(std::make_unique<GifFormat>());
    registry.add(std::make_unique<TiffFormat>());
    return registry;
}

std::string refusal(const FormatRegistry& registry, const std::string& extension) {
    try {
        registry.find(extension);
    } catch (const Image::not_support& e) {
        return e.what();
    }
    return "(found)";
}

}  // namespace

TEST(FormatRegistry, FindsFormatsByExtensionInAnyAsciiCase) {
    const FormatRegistry registry = standard();
    for (const char* ext : {"bmp", "BMP", "bMp"}) EXPECT_EQ(registry.find(ext).description(), "DIB") << ext;
    for (const char* ext : {"png", "PNG", "Png"}) EXPECT_EQ(registry.find(ext).description(), "PNG") << ext;
    for (const char* ext : {"jpg", "JPG", "jpeg", "JPEG", "jpe", "JpE"})
        EXPECT_EQ(registry.find(ext).description(), "JPEG") << ext;
    for (const char* ext : {"webp", "WEBP", "WebP"}) EXPECT_EQ(registry.find(ext).description(), "WebP") << ext;
    for (const char* ext : {"gif", "GIF", "Gif"}) EXPECT_EQ(registry.find(ext).description(), "GIF") << ext;
    for (const char* ext : {"tif", "TIF", "tiff", "TIFF", "TiFf"})
        EXPECT_EQ(registry.find(ext).description(), "TIFF") << ext;
}

TEST(FormatRegistry, UnknownExtensionsAreNotSupported) {
    const FormatRegistry registry = standard();
    // A description is no extension; nor is an empty one, a dotted one, or a
    // rest of a path; non-ASCII bytes are never case-folded into a match.
    for (const char* ext : {"", "dib", "DIB", ".png", "png ", "d/file", "jfif", "jp", "ｐｎｇ", "ti", "gi", "web"}) {
        EXPECT_EQ(refusal(registry, ext), messages::kUnsupportedFileFormat) << ext;
    }
}

TEST(FormatRegistry, TheFirstRegisteredFormatWins) {
    FormatRegistry registry = standard();
    registry.add(std::make_unique<BmpFormat>());
    EXPECT_EQ(&registry.find("bmp"), registry.formats()[0].get());
    EXPECT_EQ(
        registry.filter(),
        "イメージファイル|*.bmp;*.png;*.jpg;*.jpeg;*.jpe;*.webp;*.gif;*.tif;*.tiff;*.bmp|DIB ファイル(*.bmp)|*.bmp|"
        "PNG ファイル(*.png)|*.png|JPEG ファイル(*.jpg;*.jpeg;*.jpe)|*.jpg;*.jpeg;*.jpe|WebP ファイル(*.webp)|*.webp|"
        "GIF ファイル(*.gif)|*.gif|TIFF ファイル(*.tif;*.tiff)|*.tif;*.tiff|DIB ファイル(*.bmp)|*.bmp||");
}

TEST(FormatRegistry, FilterListsEveryFormatAndEndsWithTwoBars) {
    EXPECT_EQ(
        standard().filter(),
        "イメージファイル|*.bmp;*.png;*.jpg;*.jpeg;*.jpe;*.webp;*.gif;*.tif;*.tiff|DIB ファイル(*.bmp)|*.bmp|"
        "PNG ファイル(*.png)|*.png|JPEG ファイル(*.jpg;*.jpeg;*.jpe)|*.jpg;*.jpeg;*.jpe|WebP ファイル(*.webp)|*.webp|"
        "GIF ファイル(*.gif)|*.gif|TIFF ファイル(*.tif;*.tiff)|*.tif;*.tiff||");
    EXPECT_EQ(FormatRegistry().filter(), "イメージファイル|||");
}

TEST(FormatRegistry, FormatsMakeTheirOwnReaders) {
    const FormatRegistry registry = standard();
    EXPECT_NE(dynamic_cast<BmpReader*>(registry.find("bmp").create_reader().get()), nullptr);
    EXPECT_NE(dynamic_cast<PngReader*>(registry.find("png").create_reader().get()), nullptr);
    EXPECT_NE(dynamic_cast<JpegReader*>(registry.find("jpe").create_reader().get()), nullptr);
    EXPECT_NE(dynamic_cast<WebpReader*>(registry.find("webp").create_reader().get()), nullptr);
    EXPECT_NE(dynamic_cast<GifReader*>(registry.find("gif").create_reader().get()), nullptr);
    EXPECT_NE(dynamic_cast<TiffReader*>(registry.find("tiff").create_reader().get()), nullptr);
    EXPECT_EQ(registry.find("tif").extensions(), (std::vector<std::string>{"tif", "tiff"}));
    EXPECT_EQ(registry.find("jpeg").extensions(), (std::vector<std::string>{"jpg", "jpeg", "jpe"}));
    EXPECT_EQ(registry.find("png").extensions(), std::vector<std::string>{"png"});
}

TEST(FormatRegistry, HeifAndAvifAreListedApartAndReadByOneReader) {
    FormatRegistry registry;
    registry.add(std::make_unique<HeifFormat>());
    registry.add(std::make_unique<AvifFormat>());
    for (const char* ext : {"heic", "HEIC", "heif", "HeiF"}) EXPECT_EQ(registry.find(ext).description(), "HEIF") << ext;
    for (const char* ext : {"avif", "AVIF"}) EXPECT_EQ(registry.find(ext).description(), "AVIF") << ext;
    EXPECT_EQ(registry.filter(),
              "イメージファイル|*.heic;*.heif;*.avif|HEIF ファイル(*.heic;*.heif)|*.heic;*.heif|"
              "AVIF ファイル(*.avif)|*.avif||");
    for (const char* ext : {"heic", "avif"}) {
        EXPECT_NE(dynamic_cast<HeifReader*>(registry.find(ext).create_reader().get()), nullptr) << ext;
    }
}
