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

/* The connect dialog: its controls, its texts, and its layout in dialog
   units (x, y, width, height), which the resource script and the Linux
   dialog both build from. */
#define IDC_HOSTNAME        1000
#define IDC_PORT            1001

#define CONNECT_TITLE           "Quorvish Telnet v" QUORVISH_VERSION
#define CONNECT_PROMPT_FIRST    "Enter the hostname and port you wish"
#define CONNECT_PROMPT_SECOND   "to telnet to:"
#define CONNECT_HOST_LABEL      "Hostname:"
#define CONNECT_PORT_LABEL      "Port:"

#define CONNECT_DIALOG_BOX      0, 0, 126, 69
#define CONNECT_OK_BOX          5, 49, 52, 14
#define CONNECT_CANCEL_BOX      69, 49, 52, 14
#define CONNECT_HOST_BOX        5, 30, 77, 14
#define CONNECT_PORT_BOX        87, 30, 33, 14
#define CONNECT_PROMPT_FIRST_BOX  3, 1, 120, 8
#define CONNECT_PROMPT_SECOND_BOX 3, 10, 36, 8
#define CONNECT_HOST_LABEL_BOX  5, 22, 35, 8
#define CONNECT_PORT_LABEL_BOX  87, 20, 16, 8

/* The program's version: the one place it is written. The caption, the
   dialog titles, the rain view's banner, the build and the packages take it
   from here. */
#define QUORVISH_VERSION "0.2"

/* The window caption is the prefix, the byte 0xDF, " - " and the address. */
#define QUORVISH_CAPTION_PREFIX "QuorvishTelnet v" QUORVISH_VERSION
#define QUORVISH_WEB_ADDRESS    "www.quorvish-telnet.test"

#endif
