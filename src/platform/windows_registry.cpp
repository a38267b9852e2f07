// The registry of Windows, through advapi32.
#include <windows.h>

#include "platform/registry.h"

namespace brennic::platform {
namespace {

HKEY toHkey(RegistryKey key) {
    return reinterpret_cast<HKEY>(key);
}

class WindowsRegistry final : public Registry {
  public:
    std::int32_t RegOpenKeyExA(RegistryKey root, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, RegistryKey* key) override {
        HKEY opened = nullptr;
        const LONG result = ::RegOpenKeyExA(toHkey(root), subKey.c_str(), options, access, &opened);
        if (result == ERROR_SUCCESS)
            *key = reinterpret_cast<RegistryKey>(opened);
        return result;
    }
    std::int32_t RegQueryValueExA(RegistryKey key, const std::string& valueName,
                                  std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) override {
        DWORD valueType = 0;
        DWORD byteCount = *size;
        const LONG result = ::RegQueryValueExA(toHkey(key), valueName.c_str(), nullptr, &valueType,
                                               data, &byteCount);
        if (type != nullptr)
            *type = valueType;
        *size = byteCount;
        return result;
    }
    std::int32_t RegCloseKey(RegistryKey key) override { return ::RegCloseKey(toHkey(key)); }
};

} // namespace

std::unique_ptr<Registry> MakeSystemRegistry() {
    return std::make_unique<WindowsRegistry>();
}

} // namespace brennic::platform
