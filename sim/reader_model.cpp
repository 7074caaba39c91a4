#include "sim/reader_model.h"

#include "sim/tag_commands.h"

namespace kestrel::sim {

namespace {

constexpr std::uint8_t kProbe = 0x00;

// The probe: a reader that hears it answers with status 0 and no data.
Reply probe(ReaderModel&, const Request&) { return Reply{}; }

CommandTable make_commands() {
    CommandTable table{};
    table[kProbe] = probe;
    add_device_commands(table);
    add_tag_commands(table);
    add_security_commands(table);
    return table;
}

// Built once, at the first command any reader answers.
const CommandTable& commands() {
    static const CommandTable table = make_commands();
    return table;
}

}  // namespace

ReaderModel::ReaderModel() {
    settings.identity = default_identity();
    defaults = settings;
}

void ReaderModel::on(std::uint8_t command, Answer answer) {
    for (auto& [code, a] : answers_)
        if (code == command) {
            a = std::move(answer);
            return;
        }
    answers_.emplace_back(command, std::move(answer));
}

Reply ReaderModel::handle(const Request& request) {
    field.take_time();
    for (const auto& [code, answer] : answers_)
        if (code == request.command) return answer ? answer(*this, request) : Reply{kStatusUnknownCommand, {}};
    const CommandHandler handler = commands()[request.command];
    if (!handler) return Reply{kStatusUnknownCommand, {}};
    return handler(*this, request);
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
