// Finding and starting the system-information tool for the About window's System
// Info button. Where the tool is comes from two registry values, read one after
// the other. Free of window code, so that it runs against the real registry in
// the Windows build's tests; the About window adds the message.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace brennic::platform {

class FileLookup;
class ProgramStarter;

inline constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char* kSysInfoValue = "PATH";
inline constexpr const char* kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char* kSysInfoLocationValue = "MSINFO";
inline constexpr const char* kSysInfoProgramFile = "\\MSINFO32.EXE";

// Read control plus the six key rights. A key that refuses any of them counts as
// not opened.
inline constexpr std::uint32_t kKeyAccess = 0x2003F;
inline constexpr std::uint32_t ValueBufferSize = 1024;

// Thrown by GetKeyValue for a value of no bytes at all.
struct EmptyRegistryValue {};

// Reads the value `subKeyRef` of the key `keyName` under `keyRoot` into `keyVal`
// as text: a text value (type 1) without its final zero byte, a number (type 4)
// as "&h" and its bytes in hexadecimal, most significant first; any other type
// leaves `keyVal` as it was. False, with `keyVal` empty, when the key does not
// open or the value is missing or longer than 1024 bytes. Throws
// EmptyRegistryValue for a value of 0 bytes.
bool GetKeyValue(Registry& registry, RegistryKey keyRoot, const std::string& keyName,
                 const std::string& subKeyRef, std::string& keyVal);

// Starts the program the first registry value names, as read; else the
// MSINFO32.EXE in the folder the second names, if it is there. False when
// neither is found, a read fails or the start fails: every such way ends in the
// About window's one message.
bool StartSysInfo(Registry& registry, FileLookup& files, ProgramStarter& starter);

} // namespace brennic::platform
