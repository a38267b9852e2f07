// A registry held in memory: keys, value names, types and raw bytes. It stands in
// for the Windows registry off Windows (empty there) and in tests.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace brennic::platform {

class MemoryRegistry final : public Registry {
  public:
    // Stores a value, creating its key. Key paths and value names are matched
    // without regard to case, as Windows does.
    void SetValue(RegistryKey root, const std::string& keyName, const std::string& valueName,
                  std::uint32_t type, std::vector<std::uint8_t> bytes);
    // From now on the key opens only for reading: asking for any right to change
    // it gives kErrorAccessDenied, as for a user without those rights.
    void DenyWriteAccess(RegistryKey root, const std::string& keyName);
    // Handles opened and not yet closed.
    int OpenHandleCount() const { return static_cast<int>(m_open.size()); }

    std::int32_t RegOpenKeyExA(RegistryKey root, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, RegistryKey* key) override;
    std::int32_t RegQueryValueExA(RegistryKey key, const std::string& valueName,
                                  std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) override;
    std::int32_t RegCloseKey(RegistryKey key) override;

  private:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
    };
    struct Key {
        bool readOnly = false;
        std::map<std::string, Value> values; // by lower-case name
    };
    using KeyId = std::pair<RegistryKey, std::string>; // root, lower-case path

    std::map<KeyId, Key> m_keys;
    std::map<RegistryKey, KeyId> m_open;
    RegistryKey m_nextHandle = 0x100;
};

} // namespace brennic::platform
