#pragma once

// The Windows headers, in the order the toolkit layer needs them: windows.h first (without its
// min and max macros), then the common controls, the common dialogs and the shell.

#ifndef NOMINMAX
#define NOMINMAX
#endif

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
// clang-format on
