// One command as the reader hears it, its answer, and the table of command handlers.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrel::sim {

class ReaderModel;

// One decoded command, as the reader received it.
struct Request {
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::span<const std::uint8_t> data;
};

// What the reader answers: status byte and reply data.
struct Reply {
    std::uint8_t status = 0;
    std::vector<std::uint8_t> data;
};

// Reader status bytes. Tag commands that fail answer their standard's tag-error status
// (kStatusTagErrorEpc, kStatusTagErrorGb) with the tag error code (tag_model.h) as the first
// reply byte; the other statuses belong to the reader's own commands.
inline constexpr std::uint8_t kStatusOk = 0x00;
inline constexpr std::uint8_t kStatusTagErrorEpc = 0x01;
inline constexpr std::uint8_t kStatusTagErrorGb = 0x02;  // GB and GJB
inline constexpr std::uint8_t kStatusBadParameter = 0x03;
inline constexpr std::uint8_t kStatusReaderOff = 0x04;
inline constexpr std::uint8_t kStatusNotSupported = 0x05;
inline constexpr std::uint8_t kStatusNotReady = 0x06;
// Status byte of the reply to a command code the reader does not know.
inline constexpr std::uint8_t kStatusUnknownCommand = 0xFF;

// What the reader does on one command code: changes its state and answers.
using CommandHandler = Reply (*)(ReaderModel&, const Request&);
// The handler of each command code; none (nullptr): a code the reader does not know.
using CommandTable = std::array<CommandHandler, 256>;

}  // namespace kestrel::sim
