#pragma once
// The driver i815quarvel.sys as a service of NT-family Windows: installed, started, stopped and
// removed through the Service Control Manager, as a kernel driver started on demand. Windows
// 95, 98 and ME have no such manager and need no driver: their programs use the ports.
//
// Install copies the driver into the system's drivers folder, which only administrators can
// write, and the service names that copy: the folder of the zip may be writable by anyone, and
// what the system loads into its kernel must not be. Each function throws AccessRefused saying
// what failed: EPERM where only an administrator may do it, ENOSYS on Windows 95, 98 and ME.

#include <string>

// Windows NT 4, 2000 or XP, where the programs reach the chip through the driver.
bool NtFamilyWindows();

enum class DriverState { NotInstalled, Stopped, Running, Changing };
DriverState QueryDriverState();

// Where install puts the driver: the system's drivers folder.
std::string InstalledDriverPath();

// Each says in a line what it did. Install starts a driver that is installed already.
std::string InstallDriver(const std::string& file);
std::string RemoveDriver();
void StartDriver();

// The driver lets only callers open its device that have SeLoadDriverPrivilege enabled
// (driver_nt.cpp): enables it for this process. False when the user does not hold it.
bool EnableLoadDriverPrivilege();
