// Win32 serial backend: one port object per open, CreateFile without sharing for exclusive use,
// overlapped I/O bounded by the rate table's COMMTIMEOUTS. A transfer is waited for in slices
// of at most 10 ms, and the cancel signal is looked at between them: a raised signal cancels
// the transfer under way. Bytes the driver already holds are taken in one read into a small
// input buffer and handed out from there, so a reply that arrived in a burst costs one read,
// not one per byte.
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>

#include "link/cancel.h"
#include "link/serial_port.h"

namespace kestrel::link {
namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
// The longest wait between two looks at the cancel signal.
constexpr DWORD kSliceMs = 10;
// How long a transfer may outlast its COMMTIMEOUTS bound before it is cancelled here: the
// driver ends it first, unless it does not honour the timeouts.
constexpr int kOverrunMs = 50;
// The driver's queue sizes asked for: the input queue holds the longest reply frame.
constexpr DWORD kInputQueue = 4096;
constexpr DWORD kOutputQueue = 512;

// Errors after which no byte will come: the device was unplugged, or its driver gave up on it.
// Wine reports a terminal that hung up as a broken pipe (reads) and not ready (the rest).
bool line_failed(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_GEN_FAILURE:
        case ERROR_INVALID_HANDLE:
        case ERROR_BROKEN_PIPE:
        case ERROR_NOT_READY:
            return true;
        default:
            return false;
    }
}

class Win32SerialPort final : public SerialPort {
public:
    explicit Win32SerialPort(const CancelSignal* cancel) : cancel_(cancel) {}
    ~Win32SerialPort() override {
        close();
        if (event_ != nullptr) ::CloseHandle(event_);
    }

    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }

    int open(const char* path, const SerialSettings& settings) {
        if (is_open()) return 1;
        if (event_ == nullptr) event_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (event_ == nullptr) return 1;
        // No sharing: a second open of the port, from this process or another, is refused.
        HANDLE h = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 1;
        if (!configure(h, settings)) {
            clear_errors(h);
            ::CloseHandle(h);
            return 1;
        }
        handle_ = h;
        settings_ = settings;
        line_down_ = false;
        purge();
        return 0;
    }

    // 0 when the port was closed; 1 when none was open or it could not be closed (it then
    // stays open). A port whose line is down is closed whatever the purge says.
    int close() {
        if (!is_open()) return 1;
        clear_errors(handle_);
        ::SetCommMask(handle_, 0);
        if (!::PurgeComm(handle_, kPurgeAll) && !line_down_) {
            clear_errors(handle_);
            return 1;
        }
        if (!::CloseHandle(handle_)) return 1;
        handle_ = INVALID_HANDLE_VALUE;
        input_begin_ = input_end_ = 0;
        ::Sleep(50);
        return 0;
    }

    int write(const std::uint8_t* buffer, int count) override {
        if (!is_open() || count <= 0) return 0;
        return transfer(
            [&](OVERLAPPED* ov) {
                return ::WriteFile(handle_, buffer, static_cast<DWORD>(count), nullptr, ov);
            },
            count, settings_.write_total_constant + settings_.write_total_multiplier * static_cast<DWORD>(count));
    }

    int read(std::uint8_t* buffer, int count) override {
        if (!is_open() || count <= 0) return 0;
        int done = 0;
        while (done < count) {
            if (input_begin_ < input_end_) {
                const std::size_t n = std::min(static_cast<std::size_t>(count - done), input_end_ - input_begin_);
                std::memcpy(buffer + done, input_.data() + input_begin_, n);
                input_begin_ += n;
                done += static_cast<int>(n);
                continue;
            }
            // What the driver already holds comes in one read that does not wait.
            const DWORD held = held_bytes();
            if (held == 0) break;
            const int want = static_cast<int>(std::min<DWORD>(held, static_cast<DWORD>(input_.size())));
            const int got = read_into(input_.data(), want);
            input_begin_ = 0;
            input_end_ = static_cast<std::size_t>(got);
            if (got <= 0) break;
        }
        // The rest is waited for within the port's timeouts.
        if (done < count && !line_down_) done += read_into(buffer + done, count - done);
        return done;
    }

    void purge() override {
        input_begin_ = input_end_ = 0;
        if (is_open()) {
            ::PurgeComm(handle_, kPurgeAll);
            clear_errors(handle_);
        }
    }

    bool line_down() const override { return line_down_; }

    void set_read_wait(std::uint32_t ms) override {
        settings_.read_total_constant = ms > settings_.read_total_multiplier ? ms - settings_.read_total_multiplier : 0;
        if (is_open()) apply_timeouts(handle_, settings_);
    }

private:
    static bool configure(HANDLE h, const SerialSettings& settings) {
        DCB dcb{};
        dcb.DCBlength = sizeof(DCB);
        // Start from the port's own state, so fields left alone (the XON/XOFF characters,
        // which must differ) stay valid.
        if (!::GetCommState(h, &dcb)) return false;
        dcb.BaudRate = settings.speed;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = 1;
        dcb.fParity = 0;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        dcb.fDsrSensitivity = 0;
        dcb.fOutX = 0;
        dcb.fInX = 0;
        dcb.fErrorChar = 0;
        dcb.fNull = 0;
        dcb.fAbortOnError = 0;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        return ::SetCommState(h, &dcb) && apply_timeouts(h, settings) && ::SetupComm(h, kInputQueue, kOutputQueue) &&
               ::SetCommMask(h, 0) && ::PurgeComm(h, kPurgeAll);
    }

    // The rate table's bounds: constant plus multiplier x bytes, for reads and writes.
    static bool apply_timeouts(HANDLE h, const SerialSettings& settings) {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = 200;
        timeouts.ReadTotalTimeoutMultiplier = settings.read_total_multiplier;
        timeouts.ReadTotalTimeoutConstant = settings.read_total_constant;
        timeouts.WriteTotalTimeoutMultiplier = settings.write_total_multiplier;
        timeouts.WriteTotalTimeoutConstant = settings.write_total_constant;
        return ::SetCommTimeouts(h, &timeouts) != 0;
    }

    static void clear_errors(HANDLE h) {
        DWORD errors = 0;
        COMSTAT status{};
        ::ClearCommError(h, &errors, &status);
    }

    // The bytes in the driver's input queue (clearing any line error on the way); 0 when it
    // cannot say.
    DWORD held_bytes() {
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(handle_, &errors, &status)) {
            if (line_failed(::GetLastError())) line_down_ = true;
            return 0;
        }
        return status.cbInQue;
    }

    int read_into(std::uint8_t* buffer, int count) {
        return transfer(
            [&](OVERLAPPED* ov) { return ::ReadFile(handle_, buffer, static_cast<DWORD>(count), nullptr, ov); }, count,
            settings_.read_total_constant + settings_.read_total_multiplier * static_cast<DWORD>(count));
    }

    // One overlapped transfer started by `start`, which the driver ends within `bound_ms` by
    // the port's timeouts. Waited for in slices, cancelled when the cancel signal is raised or
    // the bound has been overrun. Returns the bytes transferred; a transfer that ended in
    // ERROR_TIMEOUT (how Wine ends one whose timeouts ran out) or was cancelled counts the
    // bytes moved before that.
    template <typename Start>
    int transfer(Start start, int count, DWORD bound_ms) {
        if (cancelled()) return 0;
        OVERLAPPED ov{};
        ov.hEvent = event_;
        if (!start(&ov)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_TIMEOUT) return bounded(static_cast<DWORD>(ov.InternalHigh), count);
            if (error != ERROR_IO_PENDING) {
                if (line_failed(error)) line_down_ = true;
                clear_errors(handle_);
                return 0;
            }
            await(ov, bound_ms);
        }
        DWORD done = 0;
        if (!::GetOverlappedResult(handle_, &ov, &done, TRUE)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_TIMEOUT || error == ERROR_OPERATION_ABORTED) {
                done = static_cast<DWORD>(ov.InternalHigh);
            } else {
                if (line_failed(error)) line_down_ = true;
                done = 0;
            }
            clear_errors(handle_);
        }
        return bounded(done, count);
    }

    // Waits for the transfer of `ov` to end; cancels it when the cancel signal is raised, or
    // when it has run past its bound (plus a margin). It has ended, or been cancelled, on return.
    void await(OVERLAPPED& ov, DWORD bound_ms) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<std::int64_t>(bound_ms) + kOverrunMs);
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) break;
            const DWORD slice = cancel_ != nullptr ? std::min<DWORD>(kSliceMs, static_cast<DWORD>(left))
                                                   : static_cast<DWORD>(left);
            const DWORD r = ::WaitForSingleObject(ov.hEvent, slice);
            if (r == WAIT_OBJECT_0) return;
            if (r != WAIT_TIMEOUT || cancelled()) break;
        }
        // Only this thread starts transfers on the port, so CancelIo reaches this one; the
        // caller's GetOverlappedResult then waits for the cancellation to complete.
        ::CancelIo(handle_);
    }

    bool cancelled() const { return cancel_ != nullptr && cancel_->raised(); }

    // Never more than was asked for, whatever the system reports.
    static int bounded(DWORD done, int count) {
        return done < static_cast<DWORD>(count) ? static_cast<int>(done) : count;
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    // The overlapped transfers' event (manual reset, set when one ends).
    HANDLE event_ = nullptr;
    const CancelSignal* cancel_;
    bool line_down_ = false;
    SerialSettings settings_{};
    // Bytes taken from the driver and not yet handed out; part of the input queue, so a purge
    // discards them too.
    std::array<std::uint8_t, 256> input_{};
    std::size_t input_begin_ = 0;
    std::size_t input_end_ = 0;
};

}  // namespace

bool serial_device_name(std::uint32_t index, char (&out)[kMaxSerialDeviceName + 1]) {
    // "COM10" cannot be opened by its bare name, so every port goes through the device namespace.
    const int n = std::snprintf(out, sizeof out, "\\\\.\\COM%u", index + 1);
    return n > 0 && static_cast<std::size_t>(n) <= kMaxSerialDeviceName;
}

SerialPort* open_platform_port(const char* device, const SerialSettings& settings, const CancelSignal* cancel) {
    return open_backend_port<Win32SerialPort>(device, settings, cancel);
}

bool close_platform_port(SerialPort* port) { return close_backend_port<Win32SerialPort>(port); }

}  // namespace kestrel::link
