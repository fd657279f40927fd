// Fuzzes the qgis reader (qgis_points.hpp) against reader_checks.hpp.
#include "qgis_points.hpp"
#include "reader_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vq_fuzz::check_reader(data, size, [&](const std::string& text) { return vq::parse_qgis_points(text, "fuzz"); });
    return 0;
}
