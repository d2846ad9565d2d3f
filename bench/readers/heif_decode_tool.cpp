// libheif's bare decode of one file, for bench/shell/startup.sh:
//   bench_heif_decode FILE RUNS   prints the median milliseconds of RUNS decodes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/readers/HeifBench.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_heif_decode FILE RUNS\n");
        return 2;
    }
    std::vector<double> ms;
    for (int i = 0; i < std::max(1, std::atoi(argv[2])); ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!bench::DecodeWithLibheif(argv[1])) return 1;
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%.0f\n", ms[ms.size() / 2]);
    return 0;
}
