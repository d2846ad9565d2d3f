// For the whole-program benchmark scripts:
//   bench_photo write <file.png> rgb|palette   a 6000 x 4000 photo-like PNG
//   bench_photo libpng-ms <file.png> <runs>    median milliseconds of libpng's bare decode
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/support/BenchSupport.h"

int main(int argc, char** argv) {
    const std::string verb = argc > 2 ? argv[1] : "";
    if (verb == "write" && argc == 4) {
        const std::string kind = argv[3];
        if (kind != "rgb" && kind != "palette") return 2;
        bench::WritePhotoPng(argv[2], kind == "rgb" ? bench::PngKind::Truecolour : bench::PngKind::Palette);
        return 0;
    }
    if (verb == "libpng-ms" && argc == 4) {
        const int runs = std::max(1, std::atoi(argv[3]));
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            const auto start = std::chrono::steady_clock::now();
            bench::DecodeWithLibpng(argv[2]);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(times.begin(), times.end());
        std::printf("%.0f\n", times[times.size() / 2]);
        return 0;
    }
    std::fprintf(stderr, "usage: %s write <file.png> rgb|palette | libpng-ms <file.png> <runs>\n", argv[0]);
    return 2;
}
