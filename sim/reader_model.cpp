#include "sim/reader_model.h"

namespace kestrel::sim {

namespace {
constexpr std::uint8_t kProbe = 0x00;
}

ReaderModel::ReaderModel() {
    settings.identity = default_identity();
    defaults = settings;
    // The probe: a reader that hears it answers with status 0 and no data.
    on(kProbe, [](ReaderModel&, const Request&) { return Reply{}; });
    install_device_commands(*this);
    install_tag_commands(*this);
    install_security_commands(*this);
}

void ReaderModel::on(std::uint8_t command, Handler handler) { handlers_[command] = std::move(handler); }

Reply ReaderModel::handle(const Request& request) {
    const Handler& h = handlers_[request.command];
    if (!h) return Reply{kStatusUnknownCommand, {}};
    field.take_time();
    return h(*this, request);
}

void ReaderModel::reset() {
    ++log.resets;
    settings.carrier = false;
    settings.chip_on = true;
    field.reset();
    security.reset();
}

void ReaderModel::restore() {
    ++log.restores;
    settings = defaults;
    field.forget_stored();
    reset();
}

}  // namespace kestrel::sim
