// Writes HEIF and AVIF test files with libheif's encoders (x265, aom):
//   heif_maker OUT.heic|OUT.avif [WIDTHxHEIGHT] [depth=8|10|12] [alpha]
//              [lossless] [orientation=1..8] [p3-icc] [p3-nclx] [photo] [p3-colours]
//              [quadrants]
// The picture is heiftest::test_sample; with "photo" a smooth picture of the
// kind a camera takes, encoded as a phone would (lossy, 4:2:0); with
// "p3-colours" four bands of heiftest::kP3Bands; with "quadrants" the four
// flat quadrants heiftest::kQuadrants.
#include <libheif/heif.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/readers/DisplayP3.h"
#include "tests/readers/HeifTestPicture.h"

namespace {

bool ok(heif_error e) {
    if (e.code == heif_error_Ok) return true;
    std::fprintf(stderr, "heif_maker: %s\n", e.message);
    return false;
}

void put(std::uint8_t* p, int depth, int value) {
    if (depth == 8) {
        *p = static_cast<std::uint8_t>(value);
    } else {
        p[0] = static_cast<std::uint8_t>(value & 0xFF);
        p[1] = static_cast<std::uint8_t>(value >> 8);
    }
}

heiftest::Sample photo_sample(int x, int y, int w, int h, int max) {
    const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
    auto wave = [&](double a, double b, double c) {
        const double s = 0.5 + 0.35 * std::sin(a * u * 6.283 + c) * std::cos(b * v * 6.283 - c);
        return static_cast<int>(s * max + ((x * 31 + y * 17) % 9 - 4) * max / 255);
    };
    auto clamp = [&](int s) { return s < 0 ? 0 : s > max ? max : s; };
    return {clamp(wave(3, 2, 0.3)), clamp(wave(5, 3, 1.1)), clamp(wave(2, 7, 2.0)), max};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: heif_maker OUT [WxH] [depth=N] [alpha] [lossless] [orientation=N] "
                     "[p3-icc] [p3-nclx] [photo]\n");
        return 2;
    }
    const std::string out = argv[1];
    int width = 24, height = 16, depth = 8, orientation = 1;
    bool alpha = false, lossless = false, p3_icc = false, p3_nclx = false, photo = false, bands = false,
         quadrants = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (std::sscanf(a.c_str(), "%dx%d", &width, &height) == 2) continue;
        if (std::sscanf(a.c_str(), "depth=%d", &depth) == 1) continue;
        if (std::sscanf(a.c_str(), "orientation=%d", &orientation) == 1) continue;
        alpha |= a == "alpha";
        lossless |= a == "lossless";
        p3_icc |= a == "p3-icc";
        p3_nclx |= a == "p3-nclx";
        photo |= a == "photo";
        bands |= a == "p3-colours";
        quadrants |= a == "quadrants";
    }
    const bool avif = out.size() > 5 && out.compare(out.size() - 5, 5, ".avif") == 0;
    const int max = (1 << depth) - 1;
    const heif_chroma chroma = depth == 8
                                   ? (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB)
                                   : (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE);
    heif_image* image = nullptr;
    if (!ok(heif_image_create(width, height, heif_colorspace_RGB, chroma, &image))) return 1;
    if (!ok(heif_image_add_plane(image, heif_channel_interleaved, width, height, depth))) return 1;
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const int bytes = depth == 8 ? 1 : 2, channels = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            heiftest::Sample s =
                photo ? photo_sample(x, y, width, height, max) : heiftest::test_sample(x, y, width, height, max);
            if (bands) s = heiftest::kP3Bands[x * 4 / width];
            if (quadrants) s = heiftest::kQuadrants[(y * 2 / height) * 2 + x * 2 / width];
            std::uint8_t* p = plane + static_cast<std::size_t>(y) * stride + x * channels * bytes;
            const int values[4] = {s.red, s.green, s.blue, s.alpha};
            for (int c = 0; c < channels; ++c) put(p + c * bytes, depth, values[c]);
        }
    }
    const std::string icc = p3test::display_p3_icc();
    if (p3_icc && !ok(heif_image_set_raw_color_profile(image, "prof", icc.data(), icc.size()))) return 1;
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = p3_nclx ? heif_color_primaries_SMPTE_EG_432_1 : heif_color_primaries_ITU_R_BT_709_5;
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = lossless ? heif_matrix_coefficients_RGB_GBR : heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    if (!ok(heif_image_set_nclx_color_profile(image, nclx))) return 1;

    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    if (!ok(heif_context_get_encoder_for_format(context, avif ? heif_compression_AV1 : heif_compression_HEVC,
                                                &encoder))) {
        return 1;
    }
    if (lossless) {
        heif_encoder_set_lossless(encoder, 1);
        heif_encoder_set_parameter_string(encoder, "chroma", "444");
    } else {
        heif_encoder_set_lossy_quality(encoder, photo ? 85 : 90);
        // Debian's aom asserts on deep 4:2:0 pictures written through libheif.
        if (avif && depth > 8) heif_encoder_set_parameter_string(encoder, "chroma", "422");
    }
    // Big pictures are for timing the decoder: a quick encode does.
    if (photo) heif_encoder_set_parameter_string(encoder, avif ? "speed" : "preset", avif ? "9" : "ultrafast");
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    options->output_nclx_profile = nclx;
    options->save_two_colr_boxes_when_ICC_and_nclx_available = 0;
    const bool written = ok(heif_context_encode_image(context, image, encoder, options, nullptr)) &&
                         ok(heif_context_write_to_file(context, out.c_str()));
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_context_free(context);
    heif_nclx_color_profile_free(nclx);
    heif_image_release(image);
    return written ? 0 : 1;
}
