// The few Win32 constants the resource script needs, so that it compiles without the system headers.
// Values as in the Win32 headers.
#pragma once

// Window styles
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L

// Dialog styles
#define DS_MODALFRAME 0x0080L
#define DS_CENTER 0x0800L

// Static, edit and list box styles
#define SS_LEFT 0x0000L
#define ES_LEFT 0x0000L
#define ES_AUTOHSCROLL 0x0080L
#define ES_NOHIDESEL 0x0100L
#define LBS_NOTIFY 0x0001L
#define LBS_SORT 0x0002L
#define LBS_NOINTEGRALHEIGHT 0x0100L

// Up-down (spinner) styles
#define UDS_WRAP 0x0001L
#define UDS_SETBUDDYINT 0x0002L
#define UDS_ALIGNRIGHT 0x0004L
#define UDS_AUTOBUDDY 0x0010L
#define UDS_ARROWKEYS 0x0020L
#define UDS_HORZ 0x0040L
#define UDS_EXPANDABLE 0x0200L

// Soft-key bar button fields
#define I_IMAGENONE 0xFFFE  // a button without an image
#define NOMENU 0xFFFF       // a button that opens no popup
#define TBSTATE_ENABLED 0x04
#define TBSTYLE_AUTOSIZE 0x10

// Version information
#define VS_VERSION_INFO 1
#define VS_FFI_FILEFLAGSMASK 0x0000003FL
#define VOS__WINDOWS32 0x00000004L
#define VFT_APP 0x00000001L
#define VFT2_UNKNOWN 0x00000000L
