// Every screen the console has, registered with the main window by name.
#pragma once

namespace plover {
class MainWindow;
void registerScreens(MainWindow& heron);
}  // namespace plover
