// Writes the JPEG seed corpus into the folder named: one small file for every
// coding, sampling, colour space and orientation the reader handles.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/readers/JpegWriter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 1;
    }
    namespace fs = std::filesystem;
    const fs::path folder = argv[1];
    fs::create_directories(folder);
    int written = 0;
    auto save = [&](const std::string& name, const jpegtest::JpegParams& p) {
        std::ofstream(folder / (name + ".jpg"), std::ios::binary) << jpegtest::encode_jpeg(p);
        ++written;
    };
    auto picture = [](J_COLOR_SPACE input, J_COLOR_SPACE stored, int width, int height) {
        jpegtest::JpegParams p;
        p.width = width;
        p.height = height;
        p.input = input;
        p.stored = stored;
        p.quality = 75;
        p.pixels = jpegtest::test_picture(width, height, jpegtest::components_of(input));
        return p;
    };
    for (int h = 1; h <= 2; ++h) {
        for (int v = 1; v <= h; ++v) {
            const std::string sampling = std::to_string(h) + "x" + std::to_string(v);
            auto p = picture(JCS_RGB, JCS_YCbCr, 19, 13);
            p.h_sampling = h;
            p.v_sampling = v;
            save("baseline-" + sampling, p);
            p.progressive = true;
            save("progressive-" + sampling, p);
            p.restart_interval = 1;
            save("progressive-restarts-" + sampling, p);
            p.progressive = false;
            save("baseline-restarts-" + sampling, p);
            p.arithmetic = true;
            save("arithmetic-" + sampling, p);
        }
    }
    save("rgb", picture(JCS_RGB, JCS_RGB, 9, 9));
    save("grey", picture(JCS_GRAYSCALE, JCS_GRAYSCALE, 17, 5));
    auto cmyk = picture(JCS_CMYK, JCS_CMYK, 10, 10);
    save("cmyk-adobe", cmyk);
    cmyk.adobe_marker = false;
    save("cmyk-plain", cmyk);
    save("ycck", picture(JCS_CMYK, JCS_YCCK, 10, 10));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        auto p = picture(JCS_RGB, JCS_YCbCr, 12, 7);
        p.app1 = jpegtest::exif_block(orientation, orientation % 2 == 0);
        save("orientation-" + std::to_string(orientation), p);
    }
    std::printf("wrote %d seeds\n", written);
    return 0;
}
