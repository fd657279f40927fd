// Text from point files in JSON output. JSON strings are UTF-8, but ids come
// from files in any encoding; Latin-1 is common in survey data ("Estaci\xF3n").
// Valid UTF-8 passes unchanged; every byte that is not part of a valid UTF-8
// sequence is taken as the Latin-1 (ISO 8859-1) character of that value and
// written as UTF-8, so "Estaci\xF3n" becomes "Estación" and nothing is lost
// or refused. The text outputs keep the file's bytes as they are.
#pragma once

#include <string>
#include <string_view>

namespace vq {

std::string utf8_text(std::string_view bytes);

}  // namespace vq
