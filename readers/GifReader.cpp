#include "readers/GifReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "image/Image.h"
#include "readers/ReaderLimits.h"

namespace {

const Color kWhite(255, 255, 255);

struct Input {
    std::istream* in = nullptr;
    bool ended = false;  // the stream gave out before the file did
};

int read_input(GifFileType* gif, GifByteType* to, int length) {
    Input& input = *static_cast<Input*>(gif->UserData);
    std::streamsize got = 0;
    try {
        input.in->read(reinterpret_cast<char*>(to), length);
        got = input.in->gcount();
    } catch (...) {
        got = 0;
    }
    if (got < length) input.ended = true;
    return static_cast<int>(got);
}

struct GifClose {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

[[noreturn]] void fail(const Input& input, int error) {
    if (input.ended) throw file_error(messages::kFileError);
    if (error == D_GIF_ERR_NOT_ENOUGH_MEM) throw exec_error(messages::kNoImageMemory);
    throw Image::format_error();
}

// The index that shows white where the frame leaves the screen uncovered:
// the transparent one, else a white entry added after the colour table,
// else the screen's background colour.
int blank_index(Image& image, int colours, int transparent, int background) {
    if (transparent >= 0) return transparent;
    if (colours < 256) {
        image.set_palette_color(colours, kWhite);
        return colours;
    }
    return background;
}

}  // namespace

void GifReader::decode(Image& image, std::istream& in) {
    Input input{&in};
    int error = 0;
    const std::unique_ptr<GifFileType, GifClose> owner(DGifOpen(&input, read_input, &error));
    if (!owner) fail(input, error);
    GifFileType* gif = owner.get();
    auto check = [&](int result) {
        if (result == GIF_ERROR) fail(input, gif->Error);
    };
    if (gif->SWidth <= 0 || gif->SHeight <= 0) throw Image::format_error();
    reader_limits::check_size(gif->SWidth, gif->SHeight, 8);

    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        check(DGifGetRecordType(gif, &type));
        if (type == IMAGE_DESC_RECORD_TYPE) break;
        if (type != EXTENSION_RECORD_TYPE) throw Image::format_error();  // the file ends without a picture
        int code = 0;
        GifByteType* block = nullptr;
        check(DGifGetExtension(gif, &code, &block));
        GraphicsControlBlock control;
        // Only the control block right before the frame counts.
        if (code == GRAPHICS_EXT_FUNC_CODE && block && DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
            transparent = control.TransparentColor;
        }
        while (block) check(DGifGetExtensionNext(gif, &block));
    }
    check(DGifGetImageDesc(gif));
    const GifImageDesc& frame = gif->Image;
    // The frame's rows are decoded even where they fall off the screen.
    if (frame.Width <= 0 || frame.Height <= 0) throw Image::format_error();
    reader_limits::check_size(frame.Width, frame.Height, 8);
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || map->ColorCount > 256) throw Image::format_error();
    const int colours = map->ColorCount;
    if (transparent >= colours) transparent = -1;

    const int width = gif->SWidth, height = gif->SHeight;
    image.init_header();
    image.set_width(width);
    image.set_height(height);
    image.set_bit_count(8);
    for (int i = 0; i < colours; ++i) {
        const GifColorType& c = map->Colors[i];
        image.set_palette_color(i, i == transparent ? kWhite : Color(c.Red, c.Green, c.Blue));
    }
    image.create();
    const bool covered = frame.Left == 0 && frame.Top == 0 && frame.Width >= width && frame.Height >= height;
    if (!covered) {
        const int blank = blank_index(image, colours, transparent, gif->SBackGroundColor);
        for (int y = 0; y < height; ++y) std::memset(image.scanline(y), blank, static_cast<std::size_t>(width));
    }

    // The visible part of each frame row.
    const int left = std::min(frame.Left, width);
    const int shown = std::clamp(width - frame.Left, 0, frame.Width);
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    auto read_line = [&](int y) {
        check(DGifGetLine(gif, line.data(), frame.Width));
        const int row = frame.Top + y;
        if (row < height && shown > 0)
            std::memcpy(image.scanline(row) + left, line.data(), static_cast<std::size_t>(shown));
    };
    if (frame.Interlace) {
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = kStart[pass]; y < frame.Height; y += kStep[pass]) read_line(y);
        }
    } else {
        for (int y = 0; y < frame.Height; ++y) read_line(y);
    }
}
