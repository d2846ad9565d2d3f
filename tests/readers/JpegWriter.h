#pragma once
// Writes JPEG files with libjpeg's own compressor, and decodes them with
// libjpeg directly as the reference the reader is held to. Shared by the
// reader tests and the fuzz seed generator.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace jpegtest {

struct JpegParams {
    int width = 16;
    int height = 16;
    // What the pixels hold: JCS_RGB, JCS_GRAYSCALE or JCS_CMYK.
    J_COLOR_SPACE input = JCS_RGB;
    // How the file stores them: JCS_YCbCr, JCS_RGB, JCS_GRAYSCALE, JCS_CMYK or JCS_YCCK.
    J_COLOR_SPACE stored = JCS_YCbCr;
    bool adobe_marker = true;  // only asked for when stored is CMYK or YCCK
    int h_sampling = 1;        // of the first component; the others take 1
    int v_sampling = 1;
    bool progressive = false;
    bool arithmetic = false;
    int restart_interval = 0;  // in MCUs
    int quality = 95;
    std::string app1;               // written as an APP1 block when not empty
    std::vector<std::string> app2;  // each written as an APP2 block
    // A progressive scan script: each coefficient band of every component
    // refined bit by bit, many more scans than any writer makes.
    bool many_scans = false;
    std::vector<std::uint8_t> pixels;  // top row first, samples interleaved
};

inline int components_of(J_COLOR_SPACE space) { return space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3; }

inline std::string encode_jpeg(const JpegParams& p) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(p.width);
    cinfo.image_height = static_cast<JDIMENSION>(p.height);
    cinfo.input_components = components_of(p.input);
    cinfo.in_color_space = p.input;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, p.stored);
    if (p.stored == JCS_CMYK || p.stored == JCS_YCCK) cinfo.write_Adobe_marker = p.adobe_marker ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, p.quality, TRUE);
    cinfo.comp_info[0].h_samp_factor = p.h_sampling;
    cinfo.comp_info[0].v_samp_factor = p.v_sampling;
    for (int c = 1; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.restart_interval = static_cast<unsigned int>(p.restart_interval);
    cinfo.arith_code = p.arithmetic ? TRUE : FALSE;
    std::vector<jpeg_scan_info> script;
    if (p.many_scans) {
        jpeg_scan_info dc{};
        dc.comps_in_scan = cinfo.num_components;
        for (int c = 0; c < cinfo.num_components; ++c) dc.component_index[c] = c;
        script.push_back(dc);
        for (int c = 0; c < cinfo.num_components; ++c) {
            for (int k = 1; k <= 63; ++k) {
                for (int al : {2, 1, 0}) {
                    jpeg_scan_info s{};
                    s.comps_in_scan = 1;
                    s.component_index[0] = c;
                    s.Ss = s.Se = k;
                    s.Ah = al == 2 ? 0 : al + 1;
                    s.Al = al;
                    script.push_back(s);
                }
            }
        }
        cinfo.scan_info = script.data();
        cinfo.num_scans = static_cast<int>(script.size());
    } else if (p.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (!p.app1.empty()) {
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(p.app1.data()),
                          static_cast<unsigned int>(p.app1.size()));
    }
    for (const std::string& block : p.app2) {
        jpeg_write_marker(&cinfo, JPEG_APP0 + 2, reinterpret_cast<const JOCTET*>(block.data()),
                          static_cast<unsigned int>(block.size()));
    }
    const std::size_t row_bytes = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(components_of(p.input));
    while (cinfo.next_scanline < cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(p.pixels.data() + row_bytes * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

// An APP1 block with the orientation tag after another tag, in either byte order.
inline std::string exif_block(int orientation, bool big_endian = false) {
    std::string b("Exif\0\0", 6);
    auto put16 = [&](int v) {
        if (big_endian) {
            b += static_cast<char>((v >> 8) & 0xFF);
            b += static_cast<char>(v & 0xFF);
        } else {
            b += static_cast<char>(v & 0xFF);
            b += static_cast<char>((v >> 8) & 0xFF);
        }
    };
    auto put32 = [&](std::uint32_t v) {
        if (big_endian) {
            put16(static_cast<int>(v >> 16));
            put16(static_cast<int>(v & 0xFFFF));
        } else {
            put16(static_cast<int>(v & 0xFFFF));
            put16(static_cast<int>(v >> 16));
        }
    };
    b += big_endian ? "MM" : "II";
    put16(42);
    put32(8);  // the first directory follows the header
    put16(2);
    put16(0x011A);  // horizontal resolution, a rational elsewhere
    put16(5);
    put32(1);
    put32(38);
    put16(0x0112);
    put16(3);
    put32(1);
    put16(orientation);
    put16(0);
    put32(0);                   // no next directory
    b += std::string(8, '\0');  // the rational's value
    return b;
}

struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<std::uint8_t> pixels;  // top row first
};

// libjpeg's own decode with its default settings, as out_space.
inline Decoded reference_decode(const std::string& bytes, J_COLOR_SPACE out_space) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = out_space;
    jpeg_start_decompress(&cinfo);
    Decoded d;
    d.width = static_cast<int>(cinfo.output_width);
    d.height = static_cast<int>(cinfo.output_height);
    d.components = cinfo.output_components;
    const std::size_t row_bytes = static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.components);
    d.pixels.resize(row_bytes * static_cast<std::size_t>(d.height));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = d.pixels.data() + row_bytes * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return d;
}

// A picture of smooth colour ramps with sharp steps of brightness, so that
// every sampling and every IDCT path has work to do.
inline std::vector<std::uint8_t> test_picture(int width, int height, int components) {
    std::vector<std::uint8_t> px;
    px.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
               static_cast<std::size_t>(components));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c) {
                const int edge = ((x / 5 + y / 3) % 2) * 60;
                const int ramp = (x * 7 + y * 3 + c * 50) % 392;
                const int level = ramp < 196 ? ramp : 391 - ramp;
                px.push_back(static_cast<std::uint8_t>(level + edge));
            }
        }
    }
    return px;
}

}  // namespace jpegtest
