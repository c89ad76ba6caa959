// The real Win32 and common controls, plus the Smartphone shell calls that desktop Windows lacks.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#ifndef VK_TSOFT1
#define VK_TSOFT1 VK_F1
#define VK_TSOFT2 VK_F2
#define VK_TBACK VK_BACK  // Esc is kept for closing what is open
#define VK_TACTION VK_RETURN
#endif
#ifndef MOD_KEYUP
#define MOD_KEYUP 0x1000
#endif
#ifndef FILE_ATTRIBUTE_INROM
#define FILE_ATTRIBUTE_INROM 0x00000040
#endif
// A file that is part of the device's ROM image; desktop Windows has no such files.
#ifndef FILE_ATTRIBUTE_ROMMODULE
#define FILE_ATTRIBUTE_ROMMODULE 0x00002000
#endif

// The phone's own up-down styles.
#ifndef UDS_EXPANDABLE
#define UDS_EXPANDABLE 0x0200
#endif
#ifndef UDS_NOSCROLL
#define UDS_NOSCROLL 0x0400
#endif

// Implemented in platform/windows/ for desktop Windows.
#include "platform/smartphone_shell.h"
