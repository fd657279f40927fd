// Fuzzes the gdal gcp reader (gdal_gcp_list.hpp) against reader_checks.hpp.
#include "gdal_gcp_list.hpp"
#include "reader_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vq_fuzz::check_reader(data, size, [&](const std::string& text) { return vq::parse_gdal_gcp_list(text, "fuzz"); });
    return 0;
}
