/* Resource numbers of the program's icon, bitmaps and connect dialog, and
   the texts of the window caption. Plain #defines only: this file is read
   by the resource compiler as well as by the C++ sources. */
#ifndef QUORVISH_RESOURCE_H
#define QUORVISH_RESOURCE_H

#define IDD_CONNECT         101
#define IDI_APP             106

/* Bitmaps: the glyph strip and the ten start-menu pictures. */
#define IDB_GLYPHS          107
#define IDB_WINDOW_MODE     108
#define IDB_DISPLAY_MODE    109
#define IDB_HOST_ADDRESS    110
#define IDB_RAIN_LOGO       111
#define IDB_QUIT            112
#define IDB_STANDARD        113
#define IDB_PERSPECTIVE     114
#define IDB_BANNER          115
#define IDB_WIDESCREEN      116
#define IDB_CONNECT         117

/* Controls of the connect dialog. */
#define IDC_HOSTNAME        1000
#define IDC_PORT            1001

/* The program's version: the one place it is written. The caption, the
   dialog titles, the rain view's banner, the build and the packages take it
   from here. */
#define QUORVISH_VERSION "0.2"

/* The window caption is the prefix, the byte 0xDF, " - " and the address. */
#define QUORVISH_CAPTION_PREFIX "QuorvishTelnet v" QUORVISH_VERSION
#define QUORVISH_WEB_ADDRESS    "www.quorvish-telnet.test"

#endif
