#include "console/screens.h"

#include "console/config/device_settings.h"
#include "console/config/network_screens.h"
#include "console/security/security_screens.h"
#include "console/shell/heron.h"
#include "console/tags/inventory_screens.h"
#include "console/tags/memory_screens.h"

namespace plover {

void registerScreens(Heron& heron) {
    registerDeviceSettings(heron);
    registerNetworkScreens(heron, heron.screens());
    tags::registerInventoryScreens(heron, heron.screens());
    tags::registerMemoryScreens(heron, heron.screens());
    security::registerCustomCommandScreens(heron, heron.screens());
    security::registerTagSecurityScreens(heron, heron.screens());
    security::registerPsamScreens(heron, heron.screens());
    security::registerFm151mScreens(heron, heron.screens());
}

const QStringList& pendingScreens() {
    static const QStringList names = {
        // device configuration
        QStringLiteral("set_Device_Work"), QStringLiteral("set_CH_Active_a"), QStringLiteral("set_Reader"),
        // lock, kill, halt, wake
        QStringLiteral("EPC_TAG_Lock"), QStringLiteral("GB_TAG_Lock"), QStringLiteral("GJB_TAG_Lock"),
        QStringLiteral("EPC_TAG_Kill"), QStringLiteral("GB_TAG_Kill"), QStringLiteral("GJB_TAG_Kill"),
        QStringLiteral("EPC_TAG_Halt"), QStringLiteral("GB_TAG_Halt"), QStringLiteral("GJB_TAG_Halt"),
        QStringLiteral("EPC_TAG_Wake"), QStringLiteral("GB_TAG_Wake"), QStringLiteral("GJB_TAG_Wake"),
        // passwords
        QStringLiteral("EPC_TAG_Set_Key"), QStringLiteral("GB_TAG_Set_Key"), QStringLiteral("GJB_TAG_Set_Key"),
        QStringLiteral("EPC_TAG_Access_Key"), QStringLiteral("GB_TAG_Access_Key"),
        QStringLiteral("GJB_TAG_Access_Key"), QStringLiteral("EPC_TAG_Edit_Key"), QStringLiteral("GB_TAG_Edit_Pwd"),
        QStringLiteral("GJB_TAG_Edit_Pwd"),
        // loop read
        QStringLiteral("EPC_TAG_Loop_Read"), QStringLiteral("GB_TAG_Loop_Read"), QStringLiteral("GJB_TAG_Loop_Read"),
    };
    return names;
}

}  // namespace plover
