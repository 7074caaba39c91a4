// Win32 serial backend: overlapped I/O waited for at once, timeouts from the rate table.
#include <windows.h>

#include "link/serial_port.h"

namespace kestrel::link {
namespace {

// "COM10" cannot be opened by its bare name, so every port goes through the device namespace.
constexpr const char* kPortNames[kMaxSerialPortIndex + 1] = {
    "\\\\.\\COM1", "\\\\.\\COM2", "\\\\.\\COM3", "\\\\.\\COM4", "\\\\.\\COM5",
    "\\\\.\\COM6", "\\\\.\\COM7", "\\\\.\\COM8", "\\\\.\\COM9", "\\\\.\\COM10"};

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

class Win32SerialPort final : public SerialPort {
public:
    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }

    int open(std::uint32_t index, const SerialSettings& settings) {
        if (is_open()) return 1;  // one port at a time; the open one keeps working
        HANDLE h = ::CreateFileA(kPortNames[index], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 1;

        DCB dcb{};
        static_assert(sizeof(DCB) == 28);
        dcb.DCBlength = sizeof(DCB);
        dcb.BaudRate = settings.speed;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = 1;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;

        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = 200;
        timeouts.ReadTotalTimeoutMultiplier = settings.read_total_multiplier;
        timeouts.ReadTotalTimeoutConstant = settings.read_total_constant;
        timeouts.WriteTotalTimeoutMultiplier = settings.write_total_multiplier;
        timeouts.WriteTotalTimeoutConstant = settings.write_total_constant;

        if (!::SetCommState(h, &dcb) || !::SetCommTimeouts(h, &timeouts) || !::SetupComm(h, 512, 512) ||
            !::PurgeComm(h, kPurgeAll)) {
            clear_errors(h);
            ::CloseHandle(h);
            return 1;
        }
        if (!::SetCommMask(h, 0)) {
            ::CloseHandle(h);
            return 1;
        }
        handle_ = h;
        return 0;
    }

    int close() {
        if (!is_open()) return 1;
        clear_errors(handle_);
        if (!::SetCommMask(handle_, 0) || !::PurgeComm(handle_, kPurgeAll)) {
            clear_errors(handle_);
            return 1;  // the port stays open
        }
        if (!::CloseHandle(handle_)) return 1;
        handle_ = INVALID_HANDLE_VALUE;
        ::Sleep(50);
        return 0;
    }

    int write(const std::uint8_t* buffer, int count) override {
        return transfer(buffer, count, [](HANDLE h, const std::uint8_t* b, DWORD n, DWORD* done, OVERLAPPED* ov) {
            return ::WriteFile(h, b, n, done, ov);
        });
    }

    int read(std::uint8_t* buffer, int count) override {
        return transfer(buffer, count, [](HANDLE h, std::uint8_t* b, DWORD n, DWORD* done, OVERLAPPED* ov) {
            return ::ReadFile(h, b, n, done, ov);
        });
    }

    void purge() override {
        if (is_open()) ::PurgeComm(handle_, kPurgeAll);
    }

private:
    static void clear_errors(HANDLE h) {
        DWORD errors = 0;
        COMSTAT status{};
        ::ClearCommError(h, &errors, &status);
    }

    // One overlapped transfer, waited for at once; the port's timeouts bound it. The record is
    // zeroed and has no event, so the wait is on the port handle itself (one transfer at a time).
    // A transfer that ends in ERROR_TIMEOUT (how Wine ends a read whose timeouts ran out) counts
    // the bytes that arrived before it; any other failure counts what the system reports.
    template <typename Buffer, typename Op>
    int transfer(Buffer* buffer, int count, Op op) {
        if (!is_open() || count <= 0) return 0;
        clear_errors(handle_);
        OVERLAPPED ov{};
        DWORD done = 0;
        if (!op(handle_, buffer, static_cast<DWORD>(count), &done, &ov)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_TIMEOUT) {
                done = static_cast<DWORD>(ov.InternalHigh);
            } else if (error != ERROR_IO_PENDING) {
                clear_errors(handle_);
                return bounded(done, count);
            } else {
                while (!::GetOverlappedResult(handle_, &ov, &done, TRUE)) {
                    const DWORD wait_error = ::GetLastError();
                    if (wait_error == ERROR_IO_INCOMPLETE) continue;
                    if (wait_error == ERROR_TIMEOUT) done = static_cast<DWORD>(ov.InternalHigh);
                    clear_errors(handle_);
                    break;
                }
            }
        }
        clear_errors(handle_);
        return bounded(done, count);
    }

    // Never more than was asked for, whatever the system reports.
    static int bounded(DWORD done, int count) {
        return done < static_cast<DWORD>(count) ? static_cast<int>(done) : count;
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

Win32SerialPort the_port;

}  // namespace

SerialPort* open_platform_port(std::uint32_t index, const SerialSettings& settings) {
    return the_port.open(index, settings) == 0 ? &the_port : nullptr;
}

bool close_platform_port(SerialPort* port) { return port == &the_port && the_port.close() == 0; }

}  // namespace kestrel::link
