// Fuzzes the model-file reader: any bytes give a Transform or an InputError
// naming "fuzz.json"; a Transform read, written and read again is the same
// record bit for bit.
#include "record_fields.hpp"
#include "record_json.hpp"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    vq::Transform first;
    try {
        first = vq::parse_model_text(text, "fuzz.json");
    } catch (const vq::InputError& e) {
        if (std::strncmp(e.what(), "fuzz.json", 9) != 0) std::abort();
        return 0;
    }
    const vq::Transform again = vq::parse_model_text(vq::model_file_text(first), "again.json");
    if (again.kind != first.kind || again.y_down != first.y_down || again.scale != first.scale) std::abort();
    for (const vq::RecordField& f : vq::record_fields(first.kind))
        if (std::memcmp(f.values(first), f.values(again), f.count * sizeof(double)) != 0) std::abort();
    if (first.kind != vq::ModelKind::similarity3d && again.polynomial.tipo != first.polynomial.tipo) std::abort();
    return 0;
}
