// The About window's side of StartSysInfo: the message when the lookup fails.
#include "startup/sys_info.h"

#include "startup/info_box.h"

namespace brennic::startup {

void StartSysInfo(const SysInfoServices& services, const QString& title, QWidget* messageParent) {
    if (!platform::StartSysInfo(services.registry, services.files, services.starter))
        services.infoBox.Inform(messageParent, QString::fromLatin1(SysInfoUnavailable), title);
}

} // namespace brennic::startup
