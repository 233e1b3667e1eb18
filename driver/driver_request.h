#pragma once
// What i815quarvel.sys, the NT-family driver, offers, and the check of every request it is
// given. Plain code without any library or system header: the driver and the tests on Linux
// compile this same file.
//
// Two requests, both METHOD_BUFFERED, both of exact sizes, the same grammar as the helper's:
//   read    in: the offset of an aligned dword of 00:00.0          out: the dword
//   modify  in: offset, mask, bits: whole settings, legal values   out: the value written
// The read-modify-write is the driver's own, under its lock: the bits of mask from bits, every
// other bit as read, and a 0 into every write-1-to-clear status bit. Nothing else: no port, no
// memory, no other device.

#include <stdint.h>

// The device as a program opens it, the service that loads the driver, and its file.
constexpr char DriverDevicePath[] = "\\\\.\\I815Quarvel";
constexpr char DriverServiceName[] = "i815quarvel";
constexpr char DriverFileName[] = "i815quarvel.sys";

// CTL_CODE(DriverDeviceType, function, METHOD_BUFFERED, access), written out so that programs
// need no driver header: a device type and function numbers from the ranges left to vendors;
// a read needs a handle opened for reading, a modify one opened for reading and writing.
constexpr uint32_t DriverDeviceType = 0x8815;
constexpr uint32_t ReadRequestCode = DriverDeviceType << 16 | 1u << 14 | 0x815u << 2;
constexpr uint32_t ModifyRequestCode = DriverDeviceType << 16 | 3u << 14 | 0x816u << 2;

struct ReadRequest {
    uint32_t offset;
};
struct ModifyRequest {
    uint32_t offset, mask, bits;
};
constexpr uint32_t AnswerSize = 4;  // the dword read, or the value written

// Why a request is refused, in the order it is checked; the helper refuses the same requests.
enum class Refusal {
    None,
    NotADword,           // an offset that is no aligned dword of the 256 bytes
    NoSetting,           // a modify of a dword that holds no setting
    MaskBeyondSettings,  // a mask bit that no setting owns (status, reserved, write-1-to-clear)
    BitsBeyondMask,
    MaskCutsSetting,  // part of a setting's bits
    IllegalValue      // a value that the field table does not give the setting
};

Refusal ReadRefusal(uint32_t offset);
Refusal ModifyRefusal(const ModifyRequest& request);
// What the driver writes for a modify of a dword that reads `old`.
uint32_t ModifiedValue(uint32_t offset, uint32_t old, uint32_t mask, uint32_t bits);

enum class Outcome {
    Done,                  // the answer is in the buffer: AnswerSize bytes
    UnknownRequest,        // another control code
    WrongSize,             // an input or output of another size
    Refused,               // the check said no (Refusal)
    NotAnI815,             // a modify on another host bridge
    NoConfigurationSpace,  // the system answered with no configuration space for 00:00.0
};

// One request, checked in full before the chip is touched: `buffer` holds `inputSize` bytes of
// input and takes the answer (METHOD_BUFFERED). The caller holds the driver's lock.
Outcome ServeRequest(uint32_t code, void* buffer, uint32_t inputSize, uint32_t outputSize);

// The driver's hands on 00:00.0, one aligned dword each; false when the system gave no
// configuration space. Defined by the build: the HAL in the driver (hal_bus_nt.cpp), an
// in-memory i815 in its test build, the test itself on Linux.
bool ReadChipDword(uint32_t offset, uint32_t* value);
bool WriteChipDword(uint32_t offset, uint32_t value);
