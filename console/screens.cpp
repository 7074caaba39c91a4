#include "console/screens.h"

#include "console/config/device_settings.h"
#include "console/shell/heron.h"
#include "console/tags/access_screens.h"
#include "console/tags/inventory_screens.h"
#include "console/tags/loop_read_screens.h"
#include "console/tags/password_screens.h"

namespace plover {

void registerScreens(Heron& heron) {
    registerDeviceSettings(heron);
    tags::registerInventoryScreens(heron, heron.screens());
    tags::registerAccessScreens(heron, heron.screens());
    tags::registerPasswordScreens(heron, heron.screens());
    tags::registerLoopReadScreens(heron, heron.screens());
}

const QStringList& pendingScreens() {
    static const QStringList names = {
        // device configuration
        QStringLiteral("set_Device_Work"), QStringLiteral("set_CH_Active_a"), QStringLiteral("set_Reader"),
        QStringLiteral("y_tcp_connect"), QStringLiteral("yset_ip_address"),
        // memory access
        QStringLiteral("EPC_TAG_Read"), QStringLiteral("GB_TAG_Read"), QStringLiteral("GJB_TAG_Read"),
        QStringLiteral("EPC_TAG_Write"), QStringLiteral("GB_TAG_Write"), QStringLiteral("GJB_TAG_Write"),
        QStringLiteral("EPC_TAG_Write_Block"), QStringLiteral("EPC_TAG_Write_Erase"),
        QStringLiteral("GB_TAG_Write_Erase"), QStringLiteral("GJB_TAG_Write_Erase"),
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
