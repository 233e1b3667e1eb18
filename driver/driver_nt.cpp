// i815quarvel.sys: the way of i815 Quarvel's programs to the i815 host bridge on Windows 2000
// and XP, a legacy NT driver that the service i815quarvel loads on demand (i815ctl driver
// install). It makes its configuration cycles through the HAL's bus-data routines, which
// order them with the system's own on ports 0xCF8-0xCFF, and serves nothing but the two
// requests of driver_request.h on one device, \\.\I815Quarvel.
#include "driver_request.h"

#include <ntddk.h>

namespace {

// The driver's request codes are those of the DDK's macro.
static_assert(ReadRequestCode == CTL_CODE(DriverDeviceType, 0x815, METHOD_BUFFERED, FILE_READ_ACCESS), "read");
static_assert(ModifyRequestCode ==
                  CTL_CODE(DriverDeviceType, 0x816, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS),
              "modify");

const WCHAR DeviceName[] = L"\\Device\\I815Quarvel";
const WCHAR LinkName[] = L"\\DosDevices\\I815Quarvel";

UNICODE_STRING Text(const WCHAR* text)
{
    UNICODE_STRING string;
    RtlInitUnicodeString(&string, text);
    return string;
}

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

// Who may open the device. Windows 2000 has neither IoCreateDeviceSecure nor SeTokenIsAdmin,
// and the I/O manager gives a new device a DACL that lets everyone read and write it. So the
// open itself asks for SeLoadDriverPrivilege, enabled in the caller's token (the programs
// enable it before they open the device): by default only Administrators and SYSTEM hold it
// (on a domain controller also Print Operators), and whoever may load drivers may load one
// that does anything at all, so this device gives nobody a power that he lacks. The open runs
// in the caller's own thread, whose token SeSinglePrivilegeCheck looks at.
NTSTATUS NTAPI Create(PDEVICE_OBJECT, PIRP irp)
{
    LUID loadDriver;
    loadDriver.LowPart = SE_LOAD_DRIVER_PRIVILEGE;
    loadDriver.HighPart = 0;
    if (!SeSinglePrivilegeCheck(loadDriver, irp->RequestorMode))
        return Complete(irp, STATUS_PRIVILEGE_NOT_HELD, 0);
    return Complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI Close(PDEVICE_OBJECT, PIRP irp) { return Complete(irp, STATUS_SUCCESS, 0); }

// The programs' Win32 error for each: ERROR_INVALID_FUNCTION, ERROR_BAD_LENGTH,
// ERROR_INVALID_PARAMETER, ERROR_NOT_SUPPORTED, ERROR_DEV_NOT_EXIST.
NTSTATUS StatusOf(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Done: return STATUS_SUCCESS;
    case Outcome::UnknownRequest: return STATUS_INVALID_DEVICE_REQUEST;
    case Outcome::WrongSize: return STATUS_INFO_LENGTH_MISMATCH;
    case Outcome::Refused: return STATUS_INVALID_PARAMETER;
    case Outcome::NotAnI815: return STATUS_NOT_SUPPORTED;
    case Outcome::NoConfigurationSpace: return STATUS_DEVICE_DOES_NOT_EXIST;
    }
    return STATUS_INVALID_DEVICE_REQUEST;
}

// The device's extension holds the lock that makes each read-modify-write whole against every
// other request. HalGetBusDataByOffset and HalSetBusDataByOffset are called at PASSIVE_LEVEL,
// where a kernel mutex leaves its holder (a fast mutex would raise it to APC_LEVEL).
NTSTATUS NTAPI Control(PDEVICE_OBJECT device, PIRP irp)
{
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const auto& parameters = stack->Parameters.DeviceIoControl;
    const PKMUTEX chipLock = static_cast<PKMUTEX>(device->DeviceExtension);
    KeWaitForSingleObject(chipLock, Executive, KernelMode, FALSE, nullptr);
    const Outcome outcome = ServeRequest(parameters.IoControlCode, irp->AssociatedIrp.SystemBuffer,
                                         parameters.InputBufferLength, parameters.OutputBufferLength);
    KeReleaseMutex(chipLock, FALSE);
    return Complete(irp, StatusOf(outcome), outcome == Outcome::Done ? AnswerSize : 0);
}

VOID NTAPI Unload(PDRIVER_OBJECT driver)
{
    UNICODE_STRING link = Text(LinkName);
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(driver->DeviceObject);
}

}  // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING)
{
    UNICODE_STRING name = Text(DeviceName), link = Text(LinkName);
    PDEVICE_OBJECT device = nullptr;
    // FILE_DEVICE_SECURE_OPEN: a name below the device (\\.\I815Quarvel\x) is opened on the
    // device's own terms.
    NTSTATUS status =
        IoCreateDevice(driver, sizeof(KMUTEX), &name, DriverDeviceType, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    KeInitializeMutex(static_cast<PKMUTEX>(device->DeviceExtension), 0);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = Create;
    driver->MajorFunction[IRP_MJ_CLOSE] = Close;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = Control;
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;
}
