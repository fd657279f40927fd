#include "gdal_gcp_xml.hpp"

#include "point_file.hpp"

#include <pugixml.hpp>

#include <cstring>
#include <vector>

namespace vq {

namespace {

// Line and column of a byte offset.
struct Place {
    std::uint64_t line = 1;
    std::size_t column = 1;
};

Place place_of(std::string_view text, std::ptrdiff_t offset) {
    Place p;
    if (offset < 0) return p;
    // An element is placed at its '<' (pugixml may give the name's offset).
    if (offset > 0 && static_cast<std::size_t>(offset) <= text.size() && text[offset - 1] == '<') --offset;
    const std::size_t end = std::min(text.size(), static_cast<std::size_t>(offset));
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++p.line;
            p.column = 1;
        } else {
            ++p.column;
        }
    }
    return p;
}

void collect_lists(const pugi::xml_node& node, std::vector<pugi::xml_node>& lists) {
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() != pugi::node_element) continue;
        if (std::strcmp(child.name(), "GCPList") == 0) lists.push_back(child);
        collect_lists(child, lists);
    }
}

}  // namespace

PointTable parse_gdal_gcp_xml(std::string_view text, const std::string& name) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
        const Place p = place_of(text, parsed.offset);
        fail_at(name, p.line, p.column, std::string("not well-formed XML: ") + parsed.description());
    }
    std::vector<pugi::xml_node> lists;
    collect_lists(doc, lists);
    if (lists.empty()) fail_at(name, 1, 1, "no <GCPList> in the XML");
    if (lists.size() > 1) {
        const Place p = place_of(text, lists[1].offset_debug());
        fail_at(name, p.line, p.column, "ambiguous: " + std::to_string(lists.size()) +
                                            " <GCPList> elements (which one is meant cannot be told); keep one");
    }
    TableBuilder builder(name, "gdal-xml");
    builder.set_numbers_per_point(4);
    builder.set_source_y_down(true);
    std::string id;
    std::uint64_t last_line = 1;
    builder.reading([&] {
        for (const pugi::xml_node& gcp : lists[0].children("GCP")) {
            const Place p = place_of(text, gcp.offset_debug());
            last_line = p.line;
            double* out = builder.next_values();
            const char* const attributes[4] = {"Pixel", "Line", "X", "Y"};
            for (int k = 0; k < 4; ++k) {
                const pugi::xml_attribute a = gcp.attribute(attributes[k]);
                if (!a) fail_at(name, p.line, p.column, std::string("<GCP> has no ") + attributes[k] + " attribute");
                const NumberStatus status = parse_number(a.value(), out[k]);
                if (status != NumberStatus::ok)
                    fail_at(name, p.line, p.column, std::string(attributes[k]) + ": " + number_problem(status, a.value()));
            }
            id = gcp.attribute("Id").value();
            if (id.empty()) id = std::to_string(builder.size() + 1);
            builder.add_point(id, p.line, p.column);
        }
    });
    return builder.finish(last_line);
}

}  // namespace vq
