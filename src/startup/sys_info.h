// Finding and starting the system-information tool: the About window's System
// Info button. Where the tool is comes from two registry values, read one after
// the other; every way of not finding or not starting it ends in one message.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "registry.h"

class QWidget;

namespace brennic::platform {
class FileLookup;
class ProgramStarter;
} // namespace brennic::platform

namespace brennic::startup {

class InfoBox;

inline constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char* kSysInfoValue = "PATH";
inline constexpr const char* kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char* kSysInfoLocationValue = "MSINFO";
inline constexpr const char* kSysInfoProgramFile = "\\MSINFO32.EXE";
inline constexpr const char* kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// Read control plus the six key rights. A key that refuses any of them counts as
// not opened.
inline constexpr std::uint32_t kKeyAccess = 0x2003F;
inline constexpr std::uint32_t kValueBufferSize = 1024;

// Thrown by GetKeyValue for a value of no bytes at all.
struct EmptyRegistryValue {};

// Reads the value `subKeyRef` of the key `keyName` under `keyRoot` into `keyVal`
// as text: a text value (type 1) without its final zero byte, a number (type 4)
// as "&h" and its bytes in hexadecimal, most significant first; any other type
// leaves `keyVal` as it was. False, with `keyVal` empty, when the key does not
// open or the value is missing or longer than 1024 bytes. Throws
// EmptyRegistryValue for a value of 0 bytes.
bool GetKeyValue(platform::Registry& registry, platform::RegistryKey keyRoot,
                 const std::string& keyName, const std::string& subKeyRef, std::string& keyVal);

struct SysInfoServices {
    platform::Registry& registry;
    platform::FileLookup& files;
    platform::ProgramStarter& starter;
    InfoBox& infoBox;
};

// Starts the program the first registry value names; else the MSINFO32.EXE in
// the folder the second names, if it is there; otherwise, or when the start
// fails, shows kSysInfoUnavailable titled `title` over `messageParent`.
void StartSysInfo(const SysInfoServices& services, const QString& title, QWidget* messageParent);

} // namespace brennic::startup
