#include "console/screens.h"

#include "console/config/device_settings.h"
#include "console/config/network_screens.h"
#include "console/config/reader_output_screen.h"
#include "console/config/work_parameter_screens.h"
#include "console/security/security_screens.h"
#include "console/shell/main_window.h"
#include "console/tags/access_screens.h"
#include "console/tags/inventory_screens.h"
#include "console/tags/loop_read_screens.h"
#include "console/tags/memory_screens.h"
#include "console/tags/password_screens.h"

namespace plover {

void registerScreens(MainWindow& heron) {
    registerDeviceSettings(heron, heron.screens());
    registerNetworkScreens(heron, heron.screens());
    config::registerWorkParameterScreens(heron, heron.screens());
    config::registerReaderOutputScreen(heron, heron.screens());
    tags::registerInventoryScreens(heron, heron.screens());
    tags::registerMemoryScreens(heron, heron.screens());
    tags::registerAccessScreens(heron, heron.screens());
    tags::registerPasswordScreens(heron, heron.screens());
    tags::registerLoopReadScreens(heron, heron.screens());
    security::registerCustomCommandScreens(heron, heron.screens());
    security::registerTagSecurityScreens(heron, heron.screens());
    security::registerPsamScreens(heron, heron.screens());
    security::registerFm151mScreens(heron, heron.screens());
}

}  // namespace plover
