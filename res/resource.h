// Resource and control ids shared by the resource script and the code.
#pragma once

#define IDI_APP 101
#define IDI_PROMPT 122
#define IDI_BROWSE 123
#define IDR_EMBLEM 124
#define IDI_BUTTON_CANCEL 125
#define IDI_BUTTON_OK 126
#define IDD_MAIN 127

// Resource type of an animated cursor (RT_ANICURSOR).
#define RESOURCE_TYPE_ANICURSOR 21

#define IDC_CREATE_PACKAGE 1001
#define IDC_INSERT_PACKAGE 1002
#define IDC_COMPRESS_SOUNDZ 1003
#define IDC_EMBLEM 1007
