// Device wake: the network adapters listed in list.ini that are present may wake the machine.
#pragma once
#include <string>
#include <vector>

#include "DevicePatterns.h"

class COskavel3Dlg;

// Reads list.ini into the dialog's entries and enables wake for each present one.
void ConfigureDeviceWake(COskavel3Dlg& dlg);
void EnableWakeForListedDevices(COskavel3Dlg& dlg, const std::vector<std::wstring>& entries);
// Nonzero when any device pattern of the entry names a present device.
int IsListedDevicePresent(COskavel3Dlg& dlg, std::wstring entry);
// Nonzero when a hardware key under the enumerator whose name starts with the prefix has a present device.
int FindDeviceUnderEnumerator(COskavel3Dlg& dlg, std::wstring enumerator, std::wstring prefix);
// The display name held by a device instance key (a path under HKEY_LOCAL_MACHINE), possibly empty.
std::wstring ReadDeviceName(std::wstring path);
