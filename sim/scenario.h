// Scenario files: the reader's settings, the tags in its field and the faults to inject,
// as JSON. The default scenario (sim/scenarios/default.json) is built in as well.
#pragma once

#include <cstdint>
#include <string>

#include "sim/faults.h"
#include "sim/reader_model.h"

namespace kestrel::sim {

// Applies a scenario to a reader with factory settings and no tags: settings, then tags,
// then fault rules (added to `faults`). The settings become the reader's factory defaults.
// Returns false with `error` set (naming the offending entry) when the text is not a
// valid scenario; the model may then be partly set up.
bool load_scenario(const std::string& json_text, ReaderModel& model, FaultPlan& faults, std::string& error);
// The largest scenario file loaded.
inline constexpr std::uintmax_t kMaxScenarioBytes = 64u << 20;
bool load_scenario_file(const std::string& path, ReaderModel& model, FaultPlan& faults, std::string& error);

// The built-in default scenario's text: a few tags of each standard.
const std::string& default_scenario();

}  // namespace kestrel::sim
