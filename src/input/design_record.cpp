#include "input/design_record.h"

#include <cerrno>
#include <cmath>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "core/file_system.h"

namespace brennic {

std::variant<std::vector<StratumSize>, InputError> ReadDesignRecord(const std::string& path) {
    using Json = nlohmann::json;
    if (const InputNature nature = NatureOfInput(path); nature != InputNature::File)
        return InputError{InputError::ReadError,
                          "cannot read " + path + ": " + InputNatureReason(nature)};
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return InputError{InputError::ReadError,
                          "cannot read " + path + ": " + SystemReason(errno != 0 ? errno : EIO)};
    std::ostringstream bytes;
    bytes << file.rdbuf();
    const Json record = Json::parse(bytes.str(), nullptr, false);
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
