// The network screens: y_tcp_connect links the console to a reader over TCP, yset_ip_address
// reads and stores the reader's own network settings (the 20-byte record of Set_IP_Address and
// Get_IP_Address: gateway, subnet mask, MAC address, IP address, port).
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace plover {

class ScreenContext;
class ScreenRegistry;

namespace network {

using Record = std::array<std::uint8_t, 20>;

// The five fields as the settings screen shows them.
struct Texts {
    QString ip;    // "192.168.001.200"
    QString port;  // "5084"
    QString mac;   // "0C.0D.0E.0F.10.11"
    QString mask;  // "255.255.255.000"
    QString gate;  // "192.168.001.001"
};

// The first four dot-separated groups of an address text, each decimal (an empty group is 0).
// None when there are fewer than four groups, a group is not a number, or one is above 255.
std::optional<std::array<std::uint8_t, 4>> addressBytes(const QString& text);
// The first six dot-separated groups of a MAC text, each hex (an empty group is 0); none when
// there are fewer than six, or a group is not hex.
std::optional<std::array<std::uint8_t, 6>> macBytes(const QString& text);
// A port text as a decimal number from 1 to 65535; none otherwise.
std::optional<std::uint16_t> portNumber(const QString& text);

// The record from the five texts; none when any of them is refused.
std::optional<Record> record(const Texts& texts);
// The texts of a record: addresses in zero-padded decimal groups, the MAC in upper-case hex
// pairs, the port in decimal.
Texts texts(const Record& record);

}  // namespace network

void registerNetworkScreens(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover
