// Identifiers of the executable's resources, shared by the resource script and the code.
#pragma once

#define IDI_HOVERDECK 1
