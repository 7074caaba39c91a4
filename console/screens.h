// Every screen the console has, registered with the main window by name.
#pragma once

#include <QStringList>

namespace plover {
class Heron;
void registerScreens(Heron& heron);

// Screens that buttons name but that are not built yet. A button that asks for one of them
// reports it (the registry's warning); the list shrinks to nothing as the screens are added.
const QStringList& pendingScreens();
}  // namespace plover
