// What the readers of JSON reports share: a report file read whole and parsed
// with nlohmann's JSON library, and its members looked up. Only the readers'
// own files include it: the library is no part of brennic_input's interface.
#pragma once

#include <string>
#include <variant>

#include <nlohmann/json.hpp>

#include "core/input_error.h"

namespace brennic {

using Json = nlohmann::json;

// The member `key` of an object, or null when `value` is no object or lacks it.
inline const Json* MemberOf(const Json* value, const char* key) {
    if (value == nullptr || !value->is_object())
        return nullptr;
    const auto found = value->find(key);
    return found == value->end() ? nullptr : &*found;
}

// The JSON of the file `path`; a file that cannot be read or is no JSON gives
// the failure, naming it.
std::variant<Json, InputError> ParseJsonReport(const std::string& path);

} // namespace brennic
