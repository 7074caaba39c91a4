// Reader commands that more than one screen offers with the same messages: the LED and
// buzzer test, the reset, and the list of serial rates.
#pragma once

#include <QStringList>

#include <cstdint>

class QListWidget;

namespace plover {

class Binding;

namespace reader_commands {

// The serial rates offered wherever a rate is chosen, slowest first.
const QStringList& rates();

// Drives the reader's LED and buzzer (ALARM 7, 20, 20, 3) and reports in `log`.
void lampAndBuzzer(Binding& binding, QListWidget* log, std::int32_t address);

// Resets the reader and reports in `log`.
void reset(Binding& binding, QListWidget* log, std::int32_t address);

}  // namespace reader_commands
}  // namespace plover
