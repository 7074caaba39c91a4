#include "console/screens.h"

#include "console/config/device_settings.h"
#include "console/shell/heron.h"

namespace plover {

void registerScreens(Heron& heron) {
    registerDeviceSettings(heron);
}

}  // namespace plover
