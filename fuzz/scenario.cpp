// The simulator's scenario loader: JSON text with the reader's settings, tags and faults.
#include <string>

#include "fuzz/shared_reader.h"
#include "sim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kestrel::fuzz::SharedReader reader;
    std::string error;
    kestrel::sim::load_scenario(std::string(reinterpret_cast<const char*>(data), size), reader.model, reader.plan, error);
    reader.clear();
    return 0;
}
