#include "ports_win32.h"

#include "config_access.h"
#include "hex_text.h"

#include <cerrno>

#include <windows.h>

// GCC for i686 has no __try, and Windows 95/98 have no vectored handlers. What both families
// have is the frame chain at fs:[0]: each instruction below pushes a frame of its own, whose
// handler, for a fault at that very instruction, notes the exception, steps over the
// instruction (IN EAX,DX and OUT DX,EAX are one byte each) and lets the program go on.
extern "C" {
EXCEPTION_DISPOSITION __cdecl QuarvelPortFault(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                               void* dispatcher);
uint32_t __cdecl QuarvelGuardedIn32(uint32_t port);
void __cdecl QuarvelGuardedOut32(uint32_t port, uint32_t value);
extern const unsigned char QuarvelInInstruction[];
extern const unsigned char QuarvelOutInstruction[];
}

__asm__(".text\n"
        ".globl _QuarvelGuardedIn32\n"
        "_QuarvelGuardedIn32:\n"
        "    movl 4(%esp), %edx\n"
        "    pushl $_QuarvelPortFault\n"
        "    pushl %fs:0\n"
        "    movl %esp, %fs:0\n"
        ".globl _QuarvelInInstruction\n"
        "_QuarvelInInstruction:\n"
        "    inl %dx, %eax\n"
        "    popl %fs:0\n"
        "    addl $4, %esp\n"
        "    ret\n"
        ".globl _QuarvelGuardedOut32\n"
        "_QuarvelGuardedOut32:\n"
        "    movl 4(%esp), %edx\n"
        "    movl 8(%esp), %eax\n"
        "    pushl $_QuarvelPortFault\n"
        "    pushl %fs:0\n"
        "    movl %esp, %fs:0\n"
        ".globl _QuarvelOutInstruction\n"
        "_QuarvelOutInstruction:\n"
        "    outl %eax, %dx\n"
        "    popl %fs:0\n"
        "    addl $4, %esp\n"
        "    ret\n");

namespace {

// The program has one thread that touches the chip: the window's, or i815ctl's.
volatile DWORD faultCode = 0;

void ThrowIfRefused()
{
    const DWORD code = faultCode;
    if (code == 0)
        return;
    faultCode = 0;
    throw PortInstructionRefused(code, SystemExceptionText(code));
}

std::string TrimmedSystemText(std::string text)
{
    if (!text.empty() && text[0] == '{') {  // "{EXCEPTION}": the caption of the system's own box
        const size_t end = text.find('\n');
        text = end == std::string::npos ? std::string() : text.substr(end + 1);
    }
    std::string lines;
    for (char c : text)
        if (c != '\r')
            lines += c;
    while (!lines.empty() && (lines.back() == '\n' || lines.back() == ' '))
        lines.pop_back();
    return lines;
}

}  // namespace

extern "C" EXCEPTION_DISPOSITION __cdecl QuarvelPortFault(EXCEPTION_RECORD* record, void*, CONTEXT* context, void*)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    const void* at = record->ExceptionAddress;
    if (at != QuarvelInInstruction && at != QuarvelOutInstruction)
        return ExceptionContinueSearch;
    faultCode = record->ExceptionCode;
    context->Eip += 1;
    context->Eax = 0xFFFFFFFF;
    return ExceptionContinueExecution;
}

PortInstructionRefused::PortInstructionRefused(uint32_t exceptionCode, const std::string& systemText)
    : AccessRefused(systemText, EPERM), exceptionCode_(exceptionCode)
{
}

uint32_t Win32PortAccess::In32(uint16_t port)
{
    const uint32_t value = QuarvelGuardedIn32(port);
    ThrowIfRefused();
    return value;
}

void Win32PortAccess::Out32(uint16_t port, uint32_t value)
{
    QuarvelGuardedOut32(port, value);
    ThrowIfRefused();
}

std::string SystemExceptionText(uint32_t exceptionCode)
{
    char buffer[512];
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const DWORD length =
        ntdll ? FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, ntdll, exceptionCode,
                               0, buffer, sizeof buffer, nullptr)
              : 0;
    if (length > 0) {
        const std::string text = TrimmedSystemText(std::string(buffer, length));
        if (!text.empty())
            return text;
    }
    switch (exceptionCode) {
    case EXCEPTION_PRIV_INSTRUCTION: return "Privileged instruction";
    case EXCEPTION_ACCESS_VIOLATION: return "Access violation";
    default: return "Exception " + HexNumber(exceptionCode);
    }
}
