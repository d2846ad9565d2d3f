// libheif's bare decode, the floor the HEIF reader is measured against.
#include <benchmark/benchmark.h>

#include <libheif/heif.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "bench/readers/HeifBench.h"

bool bench::DecodeWithLibheif(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    const bool decoded =
        !heif_context_read_from_memory_without_copy(context, bytes.data(), bytes.size(), nullptr).code &&
        !heif_context_get_primary_image_handle(context, &handle).code &&
        !heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code;
    int stride = 0;
    if (decoded) benchmark::DoNotOptimize(heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(context);
    return decoded;
}
