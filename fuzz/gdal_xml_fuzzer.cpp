// Fuzzes the gdal xml reader (gdal_gcp_xml.hpp) against reader_checks.hpp.
#include "gdal_gcp_xml.hpp"
#include "reader_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vq_fuzz::check_reader(data, size, [&](const std::string& text) { return vq::parse_gdal_gcp_xml(text, "fuzz"); });
    return 0;
}
