// Fuzzes the control-point reader: any bytes, fed in two chunks split at a
// point chosen by the input, must either give a consistent table or an
// InputError with a "name:line:column: " location; nothing else may escape.
#include "point_file.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static const std::vector<int> kLayouts[] = {{4, 6}, {2, 4}, {3, 6}, {4}, {6}};
    const std::vector<int>& counts = kLayouts[data[0] % 5];
    const std::size_t split = size > 2 ? data[1] % (size - 2) : 0;
    const char* text = reinterpret_cast<const char*>(data + 2);
    const std::size_t length = size - 2;
    try {
        vq::PointParser parser("fuzz.txt", counts);
        parser.feed(text, split);
        parser.feed(text + split, length - split);
        const vq::PointTable table = parser.finish();
        bool layout_ok = false;
        for (int c : counts) layout_ok |= table.numbers_per_point() == c;
        if (!layout_ok || table.size() == 0) std::abort();
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table.id(i).empty()) std::abort();
            for (int k = 0; k < table.numbers_per_point(); ++k)
                if (!(table.values(i)[k] - table.values(i)[k] == 0.0)) std::abort();  // finite
            if (i > 0 && table.line(i) <= table.line(i - 1)) std::abort();
        }
    } catch (const vq::InputError& e) {
        if (std::strncmp(e.what(), "fuzz.txt:", 9) != 0) std::abort();
    }
    return 0;
}
