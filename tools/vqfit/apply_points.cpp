// One Mapper writes the points of both paths: it knows the layout (ids or
// none, point, point with a passed-through z, or pair line) and formats
// straight into the output buffer (std::to_chars, format_fixed).
#include "apply_points.hpp"

#include "numbers.hpp"
#include "text_input.hpp"
#include "utf8_text.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

namespace vq {

namespace {

class Mapper {
public:
    Mapper(const Transform& t, const ApplyOptions& options, StreamOutput& out)
        : t_(t), options_(options), out_(out), dim_(t.dimension()) {}

    void begin() {
        if (options_.json)
            out_.write(std::string("{\"model\": \"") + model_name(t_.kind) + "\", \"inverse\": " +
                       (options_.inverse ? "true" : "false") + ", \"points\": [");
    }

    void end() {
        if (options_.json) out_.write(first_ ? "]}\n" : "\n]}\n");
    }

    // One point: `numbers` values read from `line` of `name`.
    void map(std::string_view id, bool has_id, const double* values, int numbers, const std::string& name,
             std::uint64_t line) {
        const int offset = options_.inverse && numbers == 2 * dim_ ? dim_ : 0;
        double mapped[3];
        if (!options_.inverse) {
            t_.apply(values + offset, mapped);
        } else if (!t_.apply_inverse(values + offset, mapped)) {
            const bool polynomial = t_.kind == ModelKind::poly2 || t_.kind == ModelKind::poly3;
            throw FitError(name + ":" + std::to_string(line) + ":1: point '" +
                           (has_id ? std::string(id) : std::to_string(line)) + "' cannot be mapped back: " +
                           (polynomial ? "the inverse of the polynomial does not converge there (outside the region "
                                         "it maps one to one?)"
                                       : "the model is singular"));
        }
        int count = dim_;
        if (numbers == dim_ + 1 && dim_ == 2) mapped[count++] = values[2];  // z passed through
        for (int k = 0; k < count; ++k)
            if (!std::isfinite(mapped[k]))
                throw FitError(name + ":" + std::to_string(line) + ":1: the point maps to a non-finite position");
        if (options_.json) {
            std::string row = first_ ? "\n  {\"id\": " : ",\n  {\"id\": ";
            first_ = false;
            row += nlohmann::json(has_id ? utf8_text(id) : std::to_string(line)).dump();
            row += ", \"coordinates\": [";
            out_.write(row);
            for (int k = 0; k < count; ++k) {
                char* p = out_.room(40);
                if (k) *p++ = ',', *p++ = ' ';
                p = number(p, mapped[k], true);
                out_.commit(p);
            }
            out_.write("]}");
            return;
        }
        static_assert(kFixedChars <= 400);
        char* p = out_.room(id.size() + 1 + 3 * 400);
        if (has_id) {
            std::memcpy(p, id.data(), id.size());
            p += id.size();
        }
        for (int k = 0; k < count; ++k) {
            if (has_id || k) *p++ = ' ';
            p = number(p, mapped[k], false);
        }
        *p++ = '\n';
        out_.commit(p);
    }

private:
    char* number(char* p, double v, bool json) const {
        if (v == 0.0) v = 0.0;  // no "-0"
        if (options_.decimals >= 0 && !json)
            return format_fixed(p, v, options_.decimals);
        return std::to_chars(p, p + 40, v).ptr;
    }

    const Transform& t_;
    const ApplyOptions& options_;
    StreamOutput& out_;
    int dim_;
    bool first_ = true;
};

PlainLayout apply_layout(int dim, IdColumn ids) {
    PlainLayout layout;
    layout.with_id = {dim, 2 * dim};
    layout.without_id = dim == 2 ? std::vector<int>{2, 3, 4} : std::vector<int>{3, 6};
    layout.ids = ids;
    return layout;
}

}  // namespace

void apply_points(const Transform& t, const std::string& path, const ApplyOptions& options, StreamOutput& out) {
    const int dim = t.dimension();
    ReadOptions input = options.input;
    input.plain = apply_layout(dim, options.input.plain.ids);
    input.columns.pairs = false;
    input.columns.dimension = dim;
    const std::string name = display_name(path);
    Mapper mapper(t, options, out);

    // The first chunk (up to 1 MiB) tells the format; only the plain format
    // streams, the others are read whole.
    std::string whole;
    bool decided = false;
    std::uint64_t mapped = 0;
    PlainLineParser lines(name, input.plain);
    LineSplitter splitter(name, [&](std::string_view line, std::uint64_t number) {
        if (!lines.parse(line, number)) return;
        mapper.map(lines.id(), lines.has_ids(), lines.values(), lines.numbers(), name, number);
        ++mapped;
    });
    read_chunks(path, [&](const char* data, std::size_t size) {
        if (!decided) {
            if (input.format == PointFormat::automatic) input.format = detect_point_format(std::string_view(data, size));
            decided = true;
            if (input.format == PointFormat::plain) mapper.begin();
        }
        if (input.format == PointFormat::plain)
            splitter.feed(data, size);
        else
            whole.append(data, size);
    });
    if (!decided) {
        input.format = PointFormat::plain;
        mapper.begin();
    }
    if (input.format == PointFormat::plain) {
        const std::uint64_t last = splitter.finish();
        if (mapped == 0) fail_at(name, last + 1, 1, "no points in file");
        mapper.end();
        return;
    }
    const PointTable table = parse_points(whole, name, input);
    const int numbers = table.numbers_per_point();
    if (numbers != dim && numbers != 2 * dim)
        throw InputError(name + ": the file has " + std::to_string(numbers / (numbers > 3 ? 2 : 1)) +
                         "D points; model " + model_name(t.kind) + " maps " + std::to_string(dim) + "D points");
    mapper.begin();
    for (std::size_t i = 0; i < table.size(); ++i) {
        double values[6];
        std::copy(table.values(i), table.values(i) + numbers, values);
        mapper.map(table.id(i), !table.ids_are_line_numbers(), values, numbers, name, table.line(i));
    }
    mapper.end();
}

}  // namespace vq
