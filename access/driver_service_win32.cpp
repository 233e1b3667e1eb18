#include "driver_service_win32.h"

#include "access_refused.h"
#include "driver_request.h"
#include "error_text_win32.h"

#include <cerrno>

#include <windows.h>

namespace {

// advapi32's service and token functions, looked up when first needed: Windows 95's advapi32
// lacks some of them, and a program that imported them would not start there at all.
template <typename Function>
Function Find(const char* name)
{
    static const HMODULE advapi32 = LoadLibraryA("advapi32.dll");
    const FARPROC found = advapi32 ? GetProcAddress(advapi32, name) : nullptr;
    if (!found)
        throw AccessRefused(std::string("This Windows has no service manager (no ") + name + ")", ENOSYS);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

struct Advapi32 {
    decltype(&OpenSCManagerA) openManager = Find<decltype(&OpenSCManagerA)>("OpenSCManagerA");
    decltype(&OpenServiceA) openService = Find<decltype(&OpenServiceA)>("OpenServiceA");
    decltype(&CreateServiceA) createService = Find<decltype(&CreateServiceA)>("CreateServiceA");
    decltype(&StartServiceA) startService = Find<decltype(&StartServiceA)>("StartServiceA");
    decltype(&ControlService) controlService = Find<decltype(&ControlService)>("ControlService");
    decltype(&QueryServiceStatus) queryStatus = Find<decltype(&QueryServiceStatus)>("QueryServiceStatus");
    decltype(&DeleteService) deleteService = Find<decltype(&DeleteService)>("DeleteService");
    decltype(&CloseServiceHandle) close = Find<decltype(&CloseServiceHandle)>("CloseServiceHandle");
    decltype(&OpenProcessToken) openProcessToken = Find<decltype(&OpenProcessToken)>("OpenProcessToken");
    decltype(&LookupPrivilegeValueA) lookupPrivilege = Find<decltype(&LookupPrivilegeValueA)>("LookupPrivilegeValueA");
    decltype(&AdjustTokenPrivileges) adjustPrivileges = Find<decltype(&AdjustTokenPrivileges)>("AdjustTokenPrivileges");
};

const Advapi32& Api()
{
    static const Advapi32 api;
    return api;
}

class Handle {
public:
    explicit Handle(SC_HANDLE handle) : handle_(handle) {}
    Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    ~Handle()
    {
        if (handle_)
            Api().close(handle_);
    }
    SC_HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    SC_HANDLE handle_;
};

// `what` is what could not be done: "install the driver i815quarvel".
AccessRefused Failed(const std::string& what, DWORD code)
{
    if (code == ERROR_ACCESS_DENIED)
        return AccessRefused("Only an administrator may " + what, EPERM);
    const int reason = ErrnoOf(code);
    return AccessRefused("Could not " + what + ": " + ErrorText(code), reason ? reason : EIO);
}

Handle OpenManager(DWORD access, const std::string& what)
{
    if (!NtFamilyWindows())
        throw AccessRefused("Windows 95, 98 and ME need no driver: the programs use the ports 0xCF8-0xCFF there",
                            ENOSYS);
    Handle manager(Api().openManager(nullptr, nullptr, access));
    if (!manager)
        throw Failed(what, GetLastError());
    return manager;
}

const std::string Name = DriverServiceName;

void Start(SC_HANDLE service)
{
    if (!Api().startService(service, 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        throw Failed("start the driver " + Name, GetLastError());
}

}  // namespace

bool NtFamilyWindows()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

DriverState QueryDriverState()
{
    const std::string what = "look at the driver " + Name;
    const Handle manager = OpenManager(SC_MANAGER_CONNECT, what);
    const Handle service(Api().openService(manager.get(), DriverServiceName, SERVICE_QUERY_STATUS));
    if (!service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST)
        return DriverState::NotInstalled;
    SERVICE_STATUS status;
    if (!service || !Api().queryStatus(service.get(), &status))
        throw Failed(what, GetLastError());
    switch (status.dwCurrentState) {
    case SERVICE_RUNNING: return DriverState::Running;
    case SERVICE_STOPPED: return DriverState::Stopped;
    default: return DriverState::Changing;
    }
}

std::string InstalledDriverPath()
{
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder, length < sizeof folder ? length : 0) + "\\drivers\\" + DriverFileName;
}

std::string InstallDriver(const std::string& file)
{
    const std::string what = "install the driver " + Name;
    const Handle manager = OpenManager(SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE, what);
    const Handle existing(Api().openService(manager.get(), DriverServiceName, SERVICE_START));
    if (existing) {
        Start(existing.get());
        return "The driver " + Name + " was installed already; it runs (to install another file, remove it first)";
    }
    if (GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST)
        throw Failed(what, GetLastError());

    const std::string target = InstalledDriverPath();
    if (!CopyFileA(file.c_str(), target.c_str(), FALSE)) {
        const DWORD code = GetLastError();
        throw Failed("copy " + file + " to " + target, code);
    }
    const Handle service(Api().createService(manager.get(), DriverServiceName, "i815 Quarvel", SERVICE_ALL_ACCESS,
                                             SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                             target.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) {
        const DWORD code = GetLastError();
        DeleteFileA(target.c_str());
        throw Failed(what, code);
    }
    Start(service.get());
    return "Installed " + target + " as the service " + Name + ", started on demand, and started it";
}

std::string RemoveDriver()
{
    const std::string what = "remove the driver " + Name;
    const Handle manager = OpenManager(SC_MANAGER_CONNECT, what);
    const Handle service(
        Api().openService(manager.get(), DriverServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST)
        return "The driver " + Name + " is not installed";
    if (!service)
        throw Failed(what, GetLastError());

    SERVICE_STATUS status;
    if (!Api().controlService(service.get(), SERVICE_CONTROL_STOP, &status) &&
        GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        throw Failed("stop the driver " + Name, GetLastError());
    for (int wait = 0; Api().queryStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED; ++wait) {
        if (wait == 50)
            throw AccessRefused("The driver " + Name + " has not stopped within 5 seconds: close the window and "
                                "i815ctl where they run, then remove it again",
                                EBUSY);
        Sleep(100);
    }
    if (!Api().deleteService(service.get()))
        throw Failed(what, GetLastError());
    const std::string path = InstalledDriverPath();
    if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        throw Failed("delete " + path + " (the service is removed)", GetLastError());
    return "Stopped the driver " + Name + ", removed its service and deleted " + path;
}

void StartDriver()
{
    const std::string what = "start the driver " + Name;
    const Handle manager = OpenManager(SC_MANAGER_CONNECT, what);
    const Handle service(Api().openService(manager.get(), DriverServiceName, SERVICE_START));
    if (!service)
        throw Failed(what, GetLastError());
    Start(service.get());
}

bool EnableLoadDriverPrivilege()
{
    HANDLE token;
    if (!Api().openProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // AdjustTokenPrivileges succeeds also for a privilege that the token lacks, and says so
    // in the last error.
    const bool enabled = Api().lookupPrivilege(nullptr, "SeLoadDriverPrivilege", &wanted.Privileges[0].Luid) &&
                         Api().adjustPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr) &&
                         GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return enabled;
}
