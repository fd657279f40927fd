// Fuzzes the csv reader (csv_reader.hpp) against reader_checks.hpp.
#include "csv_reader.hpp"
#include "reader_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vq::ColumnRequest request;
    request.pairs = size % 2 == 0;  // both sets, or the one the header names
    vq_fuzz::check_reader(data, size, [&](const std::string& text) { return vq::parse_csv_text(text, "fuzz", request); });
    return 0;
}
