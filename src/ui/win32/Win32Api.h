// The Win32 headers as the user interface needs them. windows.h turns MessageBox into a macro,
// which would rename the Dialogs port's member of that name in this edition only: the macro
// goes, and the code calls MessageBoxW by its own name.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#ifdef MessageBox
#undef MessageBox
#endif
