#pragma once
// What the benchmarks share: photo-sized test pictures written as PNG files,
// libpng's bare decode of a file (the floor every opening is measured
// against), and a reporter that prints one benchmark's time as a ratio of
// another's.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace bench {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

// Smooth gradients with a little noise, so a PNG of it compresses to a
// realistic size: red, green, blue per pixel.
std::vector<std::uint8_t> PhotoRow(int y, int width);
// The same for an 8-bit palette picture: one index per pixel, every entry used.
std::vector<std::uint8_t> PaletteRow(int y, int width);
struct Entry {
    std::uint8_t red, green, blue;
};
Entry PaletteEntry(int i);

enum class PngKind { Truecolour, Palette };
// Exits the process when the file cannot be written.
void WritePhotoPng(const std::filesystem::path& path, PngKind kind, int width = kPhotoWidth, int height = kPhotoHeight);

// Decodes the whole file into a plain buffer with libpng alone, as any
// program would; aborts on a broken file.
void DecodeWithLibpng(const std::filesystem::path& path);

// A folder in /tmp that is removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Keeps every run's real and CPU time by the benchmark's name stem (the part
// before the first "/"), the median of repeated runs when there is one, then
// prints ratios between them.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // slow / fast in real and in CPU time, against the limit the goal sets
    // (none when limit is 0).
    // CPU time is the steadier figure on a busy machine.
    void PrintRatio(const char* what, const std::string& slow, const std::string& fast, double limit) const;

private:
    std::map<std::string, double> real_;
    std::map<std::string, double> cpu_;
};

}  // namespace bench
