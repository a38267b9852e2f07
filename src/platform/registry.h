// Reading the Windows registry: the three calls the About window makes to find the
// system-information tool, with the result codes and value types it relies on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace brennic::platform {

// A key handle as a number (HKEY on Windows), so that code and tests off Windows
// can hold one without the system's headers.
using RegistryKey = std::uintptr_t;

// HKEY_LOCAL_MACHINE: the 32-bit 0x80000002, sign-extended as Windows does.
inline constexpr RegistryKey kHkeyLocalMachine =
    static_cast<RegistryKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002)));

// Result codes (the system's error numbers).
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2; // no such key or value
inline constexpr std::int32_t kErrorAccessDenied = 5; // the key refuses the access asked for
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorMoreData = 234; // the value does not fit the buffer

// Value types.
inline constexpr std::uint32_t kRegSz = 1;    // a text
inline constexpr std::uint32_t kRegDword = 4; // a 32-bit number, low byte first

// Access rights.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyNotify = 0x0010;
inline constexpr std::uint32_t kKeyCreateLink = 0x0020;
inline constexpr std::uint32_t kReadControl = 0x20000;

class Registry {
  public:
    virtual ~Registry() = default;
    // Opens `subKey` under `root` with the rights in `access`; kErrorSuccess and the
    // handle in `*key`, or an error code.
    virtual std::int32_t RegOpenKeyExA(RegistryKey root, const std::string& subKey,
                                       std::uint32_t options, std::uint32_t access,
                                       RegistryKey* key) = 0;
    // Reads the value `valueName` of an open key into `data`, whose capacity is
    // `*size` bytes. On kErrorSuccess `*type` and `*size` hold the value's type and
    // byte count; a value longer than the capacity gives kErrorMoreData.
    virtual std::int32_t RegQueryValueExA(RegistryKey key, const std::string& valueName,
                                          std::uint32_t* type, std::uint8_t* data,
                                          std::uint32_t* size) = 0;
    virtual std::int32_t RegCloseKey(RegistryKey key) = 0;
};

// The registry of this system: Windows' own, or elsewhere an empty in-memory one,
// in which every key is missing.
std::unique_ptr<Registry> MakeSystemRegistry();

} // namespace brennic::platform
