#include "console/screens.h"

#include "console/config/device_settings.h"
#include "console/shell/heron.h"
#include "console/tags/inventory_screens.h"
#include "console/tags/memory_screens.h"

namespace plover {

void registerScreens(Heron& heron) {
    registerDeviceSettings(heron);
    tags::registerInventoryScreens(heron, heron.screens());
    tags::registerMemoryScreens(heron, heron.screens());
}

const QStringList& pendingScreens() {
    static const QStringList names = {
        // device configuration
        QStringLiteral("set_Device_Work"), QStringLiteral("set_CH_Active_a"), QStringLiteral("set_Reader"),
        QStringLiteral("y_tcp_connect"), QStringLiteral("yset_ip_address"),
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
        // security
        QStringLiteral("EPC_TAG_Cust_Comm"), QStringLiteral("GB_TAG_Cust_Comm"), QStringLiteral("GJB_TAG_Cust_Comm"),
        QStringLiteral("GB_TAG_Auth"), QStringLiteral("GJB_TAG_Auth"), QStringLiteral("GB_TAG_FD_APP"),
        QStringLiteral("GB_FD_Get_Diver_Key_A"), QStringLiteral("GJB_TAG_FD_APP"), QStringLiteral("PSAM_APP"),
        QStringLiteral("PSAM_FD_Issue_A"), QStringLiteral("FM151M_APP"), QStringLiteral("FM151M_Get_RN_A"),
        QStringLiteral("FM151M_HASH_A"), QStringLiteral("FM151M_Cipher_A"),
    };
    return names;
}

}  // namespace plover
