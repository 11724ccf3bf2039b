// Resource identifiers shared by the resource script and the program.
#pragma once

#define IDS_APP_TITLE 103
#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_SHELFMATE 107
#define IDC_SHELFMATE 109
#define IDM_SETTINGS 32771

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif
