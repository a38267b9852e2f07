// The in-memory registry: the same result codes as the system's for the cases the
// program meets (missing key or value, refused access, value too long).
#include "platform/memory_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace brennic::platform {
namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

constexpr std::uint32_t kWriteRights = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink;

} // namespace

void MemoryRegistry::SetValue(RegistryKey root, const std::string& keyName,
                              const std::string& valueName, std::uint32_t type,
                              std::vector<std::uint8_t> bytes) {
    m_keys[{root, lowerCase(keyName)}].values[lowerCase(valueName)] = Value{type, std::move(bytes)};
}

void MemoryRegistry::DenyWriteAccess(RegistryKey root, const std::string& keyName) {
    m_keys[{root, lowerCase(keyName)}].readOnly = true;
}

std::int32_t MemoryRegistry::RegOpenKeyExA(RegistryKey root, const std::string& subKey,
                                           std::uint32_t /*options*/, std::uint32_t access,
                                           RegistryKey* key) {
    KeyId id{root, lowerCase(subKey)};
    auto found = m_keys.find(id);
    if (found == m_keys.end())
        return kErrorFileNotFound;
    if (found->second.readOnly && (access & kWriteRights) != 0)
        return kErrorAccessDenied;
    *key = m_nextHandle++;
    m_open.emplace(*key, std::move(id));
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::RegQueryValueExA(RegistryKey key, const std::string& valueName,
                                              std::uint32_t* type, std::uint8_t* data,
                                              std::uint32_t* size) {
    auto open = m_open.find(key);
    if (open == m_open.end())
        return kErrorInvalidHandle;
    const Key& stored = m_keys.at(open->second);
    auto value = stored.values.find(lowerCase(valueName));
    if (value == stored.values.end())
        return kErrorFileNotFound;
    const auto& bytes = value->second.bytes;
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (type != nullptr)
        *type = value->second.type;
    if (data != nullptr && needed > *size) {
        *size = needed;
        return kErrorMoreData;
    }
    if (data != nullptr && needed > 0)
        std::memcpy(data, bytes.data(), needed);
    *size = needed;
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::RegCloseKey(RegistryKey key) {
    return m_open.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

#ifndef _WIN32
std::unique_ptr<Registry> MakeSystemRegistry() {
    return std::make_unique<MemoryRegistry>();
}
#endif

} // namespace brennic::platform
