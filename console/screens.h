// Every screen the console has, registered with the main window by name.
#pragma once

namespace plover {
class Heron;
void registerScreens(Heron& heron);
}  // namespace plover
