// The About window's System Info button: the lookup of the system-information
// tool (sys_info_lookup.h, in the platform layer) and the one message shown for
// every way of not finding or not starting it.
#pragma once

#include <QString>

#include "platform/sys_info_lookup.h"

class QWidget;

namespace brennic::platform {
class FileLookup;
class ProgramStarter;
} // namespace brennic::platform

namespace brennic::startup {

class InfoBox;

using platform::EmptyRegistryValue;
using platform::GetKeyValue;

inline constexpr const char* SysInfoUnavailable = "System Information Is Unavailable At This Time";

struct SysInfoServices {
    platform::Registry& registry;
    platform::FileLookup& files;
    platform::ProgramStarter& starter;
    InfoBox& infoBox;
};

// Starts the program the registry names (platform::StartSysInfo); when none is
// found or it cannot be started, shows SysInfoUnavailable titled `title` over
// `messageParent`.
void StartSysInfo(const SysInfoServices& services, const QString& title, QWidget* messageParent);

} // namespace brennic::startup
