#include "driver_access_win32.h"

#include "access_refused.h"
#include "driver_request.h"
#include "driver_service_win32.h"
#include "error_text_win32.h"
#include "hex_text.h"

#include <cerrno>
#include <stdexcept>

#include <windows.h>

namespace {

const std::string Name = DriverServiceName;

}  // namespace

std::unique_ptr<DriverConfigAccess> DriverConfigAccess::Open()
{
    const bool privileged = EnableLoadDriverPrivilege();
    const HANDLE device =
        CreateFileA(DriverDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device != INVALID_HANDLE_VALUE)
        return std::unique_ptr<DriverConfigAccess>(new DriverConfigAccess(device));
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND)
        return nullptr;
    if (code == ERROR_ACCESS_DENIED || code == ERROR_PRIVILEGE_NOT_HELD || !privileged)
        throw AccessRefused("The driver " + Name + " lets only administrators reach the chip: log on as one", EPERM);
    throw AccessRefused("The driver " + Name + " runs, but its device cannot be opened: " + ErrorText(code), EIO);
}

DriverConfigAccess::~DriverConfigAccess() { CloseHandle(device_); }

// The driver's status comes back as the Win32 error that the system makes of it (driver_nt.cpp).
uint32_t DriverConfigAccess::Ask(uint32_t code, const void* request, unsigned long size)
{
    uint32_t answer = 0;
    DWORD got = 0;
    if (DeviceIoControl(device_, code, const_cast<void*>(request), size, &answer, sizeof answer, &got, nullptr) &&
        got == sizeof answer)
        return answer;
    const DWORD error = GetLastError();
    switch (error) {
    case ERROR_DEV_NOT_EXIST:
        throw AccessRefused("The system gave the driver " + Name +
                                " no PCI configuration space for 00:00.0 (its HAL answered with no bytes); "
                                "nothing was written",
                            ENODEV);
    case ERROR_NOT_SUPPORTED:
        throw std::runtime_error("The driver " + Name + " changes nothing on a host bridge that is not an i815");
    case ERROR_INVALID_PARAMETER:
    case ERROR_BAD_LENGTH:
    case ERROR_INVALID_FUNCTION:
        throw std::logic_error("The driver " + Name + " refused the request: " + ErrorText(error));
    default:
        throw std::runtime_error("The driver " + Name + " failed: " + ErrorText(error));
    }
}

uint32_t DriverConfigAccess::ReadDword(uint32_t offset)
{
    const ReadRequest request{offset};
    return Ask(ReadRequestCode, &request, sizeof request);
}

void DriverConfigAccess::WriteDword(uint32_t, uint32_t)
{
    throw std::logic_error("The driver " + Name + " makes no plain configuration writes");
}

uint32_t DriverConfigAccess::Modify(uint32_t offset, uint32_t mask, uint32_t bits)
{
    if (offset % 4 != 0 || offset >= 0x100)
        throw std::out_of_range("Offset " + HexNumber(offset) + " is not a dword of the configuration space");
    const ModifyRequest request{offset, mask, bits};
    return Ask(ModifyRequestCode, &request, sizeof request);
}
