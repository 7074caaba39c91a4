// The kestrel exports the console calls, with their argument types. The console never links
// kestrel: Binding resolves each of these by name when it is first called.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64) && !defined(__x86_64__)
#define PLOVER_KESTREL_CALL __stdcall
#else
#define PLOVER_KESTREL_CALL
#endif

namespace plover {

// One export: its name in the library and its C signature.
template <class Signature>
struct Export;

template <class... Args>
struct Export<std::int32_t(Args...)> {
    using Function = std::int32_t(PLOVER_KESTREL_CALL*)(Args...);
    const char* name;
};

namespace exports {

using std::int32_t;
using std::uint8_t;

// Link
inline constexpr Export<int32_t(int32_t address, int32_t port, int32_t rate)> LinkCom{"LinkCom"};
inline constexpr Export<int32_t()> UnLinkCom{"UnLinkCom"};
inline constexpr Export<int32_t(int32_t address)> Link_Reader{"Link_Reader"};

// Device management
inline constexpr Export<int32_t(int32_t address)> DeviceRestore{"DeviceRestore"};
inline constexpr Export<int32_t(int32_t address)> DeviceReset{"DeviceReset"};
inline constexpr Export<int32_t(int32_t address, int32_t rate_code)> Set_Baud_Rate{"Set_Baud_Rate"};
inline constexpr Export<int32_t(int32_t address, int32_t selector, int32_t a, int32_t b, int32_t c)> ALARM{"ALARM"};
inline constexpr Export<int32_t(int32_t address, uint8_t* info22)> GetDeviceInfo{"GetDeviceInfo"};
inline constexpr Export<int32_t(int32_t address, uint8_t* number)> ReadDeviceNo{"ReadDeviceNo"};
inline constexpr Export<int32_t(int32_t address, int32_t new_number)> WriteDeviceNo{"WriteDeviceNo"};
inline constexpr Export<int32_t(int32_t address, uint8_t* temperature)> Read_DeviceTemp{"Read_DeviceTemp"};

}  // namespace exports

// Port index of LinkCom for the USB reader (0..9 are COM1..COM10).
inline constexpr std::int32_t kPortUsb = 32;

}  // namespace plover
