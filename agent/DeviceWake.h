// Device wake: the network adapters listed in list.ini that are present may wake the machine.
#pragma once
#include <optional>
#include <string>

#include "DevicePatterns.h"

// Reads list.ini beside the agent and enables wake for each present entry's device, one command at a time.
void ConfigureDeviceWake();

// Where the entry's device was found in the device registry: the device instance key (a path under
// HKEY_LOCAL_MACHINE) whose values name it, the first one in walk order below which "Control" turns up;
// nothing when no pattern of the entry names a present device.
std::optional<std::wstring> FindListedDevice(const std::wstring& entry);

// The display name held by a device instance key (a path under HKEY_LOCAL_MACHINE), possibly empty.
std::wstring ReadDeviceName(const std::wstring& path);
