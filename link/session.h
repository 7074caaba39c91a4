// The one link session: transport state and the fields of the current transaction.
#pragma once

#include <array>
#include <cstdint>

#include "link/frame.h"

// libusb's opaque device handle; the session keeps it without pulling in libusb's header.
struct usb_dev_handle;

namespace kestrel::link {

class SerialPort;
class TcpSocket;

enum class Transport : std::uint8_t { serial = 0, usb = 1, tcp = 2 };

struct LinkSession {
    Transport transport = Transport::serial;

    // Serial link: the open port (none when closed) and the first-byte wait bases.
    SerialPort* serial = nullptr;
    std::uint32_t probe_wait_count = 0;
    std::uint32_t command_wait_count = 0;
    // The last transaction failed while its reply was due: the rest of that reply may still
    // be on the line, so the next one first reads the line until it is quiet.
    bool serial_reply_outstanding = false;

    // USB link: the open, claimed reader (none when closed) and its bulk endpoints.
    ::usb_dev_handle* usb_handle = nullptr;
    std::uint32_t usb_out_endpoint = 0;
    std::uint32_t usb_in_endpoint = 0;
    // A transaction ended without its whole reply: whatever is late on the IN endpoint is
    // drained before the next frame goes out, so it cannot pass as the next reply.
    bool usb_reply_outstanding = false;

    // TCP link: the open connection to the reader's network module (none when closed).
    TcpSocket* tcp = nullptr;

    // Request of the current transaction.
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::uint8_t request_length = 0;
    std::array<std::uint8_t, kDataCapacity> request_data{};

    // Reply of the last transaction.
    std::uint8_t reader_status = 0;
    std::uint16_t reply_length = 0;
    std::array<std::uint8_t, kDataCapacity> reply_data{};
};

// The library's one session, in static storage.
LinkSession& session();

// Runs one transaction with the request fields as they stand, over the engine of the
// session's transport. Returns 0 when a complete, valid reply was received.
int Link_Transact();

}  // namespace kestrel::link
