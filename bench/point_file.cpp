// The vq tool's point-file reader in MB/s: read_point_file on a file of 10^6
// 2D points (id x y X Y) and one of 10^6 3D points (id x y z X Y Z), written
// once to the temporary directory (so, after the first pass, from the page
// cache) and removed at exit; parse_point_text on the same 2D text held in
// memory, for the parser alone. Quick mode uses 10^5 points.
#include "bench_support.hpp"
#include "point_file.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace vq_bench {
namespace {

uint32_t point_count() { return quick_mode() ? 100000 : 1000000; }

// Pixel coordinates to projected map coordinates, written as a survey office
// would: three decimals, a header line and spaces between the columns.
std::string point_text(uint32_t n, int dimensions) {
    auto g = generator(0xf11e0000u + dimensions);
    std::string text = dimensions == 2 ? "id x y X Y\n" : "id x y z X Y Z\n";
    char line[160];
    for (uint32_t i = 0; i < n; ++i) {
        const double x = uniform(g, 0, 12000), y = uniform(g, 0, 9000), z = uniform(g, 0, 800);
        const double X = 512000 + 0.25 * x, Y = 4123000 - 0.25 * y, Z = 50 + z;
        const int length =
            dimensions == 2
                ? std::snprintf(line, sizeof line, "P%07u %.3f %.3f %.3f %.3f\n", i, x, y, X, Y)
                : std::snprintf(line, sizeof line, "P%07u %.3f %.3f %.3f %.3f %.3f %.3f\n", i, x, y,
                                z, X, Y, Z);
        text.append(line, std::size_t(length));
    }
    return text;
}

struct TemporaryFile {
    explicit TemporaryFile(const std::string& text, int dimensions) {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/vq_bench_points" +
               std::to_string(dimensions) + "d_" + std::to_string(getpid()) + ".txt";
        std::ofstream(path, std::ios::binary) << text;
        bytes = text.size();
    }
    ~TemporaryFile() { std::remove(path.c_str()); }
    std::string path;
    std::size_t bytes = 0;
};

const std::string& text_2d() {
    static const std::string text = point_text(point_count(), 2);
    return text;
}

const TemporaryFile& file(int dimensions) {
    static const TemporaryFile two(text_2d(), 2);
    if (dimensions == 2) return two;
    static const TemporaryFile three(point_text(point_count(), 3), 3);
    return three;
}

}  // namespace

void register_workloads() {
    for (int dimensions : {2, 3}) {
        const std::string workload = "point_file_" + std::to_string(dimensions) + "d";
        add(name(workload, "read_point_file", point_count()), [dimensions](benchmark::State& state) {
            const TemporaryFile& f = file(dimensions);
            benchmark::DoNotOptimize(vq::read_point_file(f.path, {4, 6}).size());  // warm-up
            for (auto _ : state) {
                vq::PointTable table = vq::read_point_file(f.path, {4, 6});
                benchmark::DoNotOptimize(table.size());
            }
            state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.bytes));
        })->Unit(benchmark::kMillisecond);
    }
    add(name("point_text_2d", "parse_point_text", point_count()), [](benchmark::State& state) {
        const std::string& text = text_2d();
        benchmark::DoNotOptimize(vq::parse_point_text(text, "points", {4, 6}).size());
        for (auto _ : state) {
            vq::PointTable table = vq::parse_point_text(text, "points", {4, 6});
            benchmark::DoNotOptimize(table.size());
        }
        state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    })->Unit(benchmark::kMillisecond);
}

}  // namespace vq_bench
