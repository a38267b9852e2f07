#include "input/design_record.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "input/byte_source.h"

namespace brennic {

std::variant<std::vector<StratumSize>, InputError> ReadDesignRecord(const std::string& path) {
    using Json = nlohmann::json;
    auto bytes = ReadWholeFile(path);
    if (auto* error = std::get_if<InputError>(&bytes))
        return *error;
    const Json record = Json::parse(std::get<std::string>(bytes), nullptr, false);
    const auto refused = [&](const std::string& why) {
        return InputError{InputError::BadInput, path + " is no design record: " + why};
    };
    if (record.is_discarded() || !record.is_object())
        return refused("it is no JSON object");
    if (record.value("schema", std::string()) != "brennic-design/1")
        return refused("its schema is not brennic-design/1");
    const auto strata = record.find("strata");
    if (strata == record.end() || !strata->is_array() || strata->empty())
        return refused("it holds no strata");
    std::vector<StratumSize> sizes;
    for (const Json& stratum : *strata) {
        const auto label = stratum.find("label");
        const auto size = stratum.find("size");
        if (label == stratum.end() || !label->is_string() || size == stratum.end() ||
            !size->is_number() || !(size->get<double>() >= 1) ||
            size->get<double>() != std::trunc(size->get<double>()))
            return refused("a stratum has no label or no size of whole pixels");
        sizes.push_back({label->get<std::string>(), size->get<double>()});
    }
    return sizes;
}

} // namespace brennic
