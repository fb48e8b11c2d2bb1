// Facts of Windows' power-scheme store that both programs use, named once.
#pragma once

namespace power_store {

// HKLM: one subkey per scheme (named by its GUID text) and the active scheme (ActivePowerScheme).
inline constexpr wchar_t kSchemesKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes";
// The Balanced plan, which both programs make active.
inline constexpr wchar_t kBalancedScheme[] = L"381b4222-f694-41f0-9685-ff5bb260df2e";

}  // namespace power_store
