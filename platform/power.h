// Battery charge from the kernel's power-supply class.
#pragma once

// The first battery's charge in percent (0 to 100), or 255 when no battery
// reports one (a desktop, or no /sys), as the Windows power status does.
int qvl_power_battery_percent();

// The same under another sysfs root, for tests ("/sys/class/power_supply"
// in normal use).
int qvl_power_battery_percent_at(const char* power_supply_dir);
