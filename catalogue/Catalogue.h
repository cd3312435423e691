// The device catalogue: every device type known from the description files, and the
// lookups the rest of the program uses.
//
// The catalogue is filled once at start-up (LoadDeviceCatalogue, CatalogueLoader.h) and
// only read afterwards. Lookups scan it from head to tail and take the first match; since
// loading inserts each device at the head, among devices of the same type code the one
// loaded last is found. Lookups never fail: a miss yields an empty result.
#pragma once

#include <string>

#include "catalogue/Device.h"

extern CDeviceList g_DeviceCatalogue;

// The first device of the catalogue with this type code, or nullptr.
const CDevice* FindDevice(int typeCode);

// A copy of the first device with this type code; an empty CDevice (type code 0, no name,
// no parameters) when there is none.
CDevice GetDevice(int typeCode);

// The name of the first device with this type code; "" when there is none.
std::string GetDeviceName(int typeCode);

// A copy of the first parameter of the device with this number; when there is none, a
// blank parameter: number 0, empty name, access 1, memory 0, address 0.
CParameter FindParameter(const CDevice& device, int number);

// FindParameter on the device FindDevice finds; when no device has the type code, the
// parameter built from an empty name and four zeros.
CParameter GetParameter(int typeCode, int number);

// The name of GetParameter's result ("" on any miss).
std::string GetParameterName(int typeCode, int number);

// Removes every device (the catalogue's destructor does the same at exit).
void FreeDeviceCatalogue();
