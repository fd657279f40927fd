// The <GCPList> of a GDAL VRT or PAM (.aux.xml) file:
//   <GCPList Projection="..."><GCP Id="1" Info="" Pixel="0.5" Line="0.5" X="2" Y="49" Z="0"/>...
// read with pugixml. The source is (Pixel, Line), marked source_y_down (GDAL's
// image coordinates, rows counting down); X, Y are the destination; Z is
// dropped. An empty Id becomes the GCP's number in the list (1, 2, ...). A
// file with no GCPList or with more than one (a VRT may carry one for the
// dataset and one inside a warp transformer) is refused: which one is meant
// cannot be told. Locations are line:column of the element.
#pragma once

#include "point_table.hpp"

#include <string>
#include <string_view>

namespace vq {

PointTable parse_gdal_gcp_xml(std::string_view text, const std::string& name);

}  // namespace vq
