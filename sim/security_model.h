// The reader's security devices, PSAM card slots and the FM151M cryptographic chip, and the
// FD commands of Fudan GB tags (the GJB FD block commands live with the tag commands).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "sim/command.h"
#include "sim/crypto.h"

namespace kestrel::sim {

struct PsamSlot {
    bool powered = false;
    std::vector<std::uint8_t> atr;  // answer to reset of the card in the slot
};

struct PsamCard {
    std::vector<std::uint16_t> files{0x3F00, 0xDF01, 0x0015, 0x0016};  // selectable by ID
    bool issued = false;
    std::vector<std::array<std::uint8_t, 16>> keys;  // the keys of the last issue
};

struct Fm151m {
    std::vector<std::uint8_t> model{'F', 'M', '1', '5', '1', 'M', ' '};  // 7 bytes
    std::vector<std::uint8_t> version{'V', '1', '.', '2'};              // 4 bytes
    std::vector<std::uint8_t> serial = std::vector<std::uint8_t>{
        0x46, 0x4D, 0x15, 0x1A, 0x20, 0x24, 0x06, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x5A, 0xA5};
    crypto::Hash hash;
    crypto::Digest hash_digest = crypto::Digest::sha1;
    crypto::Cipher cipher;
};

struct SecurityDevices {
    SecurityDevices();
    std::array<PsamSlot, 2> slots;
    PsamCard card;
    Fm151m fm151m;
    // FD key diversification: the reader's master key of each key identifier.
    std::array<std::array<std::uint8_t, 16>, 256> master_keys{};

    // A reset: card slots unpowered, chip sessions released.
    void reset();
};

// Puts the handlers of the PSAM, FM151M and GB FD commands into `table`.
void add_security_commands(CommandTable& table);

// The diversified key of a GB tag for one key identifier: SM4 of the tag's TID (8 bytes)
// followed by its complement, under the reader's master key.
std::array<std::uint8_t, 16> diversified_key(const std::array<std::uint8_t, 16>& master,
                                             const std::vector<std::uint8_t>& tid);

}  // namespace kestrel::sim
