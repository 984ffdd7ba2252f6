// Ids of the templates that only the dialog framework's tests show (test_dialogs.rc).
#pragma once

#define IDD_FW_MAIN 9100
#define IDD_FW_LISTPAGE 9101
#define IDD_FW_VALUEPAGE 9102
#define IDD_FW_STAYPAGE 9103

#define IDC_FW_LABEL 9200
#define IDC_FW_EDIT 9201
#define IDC_FW_DRAWN 9202
#define IDC_FW_TABS 9203
#define IDC_FW_LIST 9210
#define IDC_FW_TRACK 9220
#define IDC_FW_SPINLABEL 9221
#define IDC_FW_SPINEDIT 9222
#define IDC_FW_SPIN 9223
#define IDC_FW_HOTKEY 9224
#define IDC_FW_COMBO 9225
#define IDC_FW_STAY 9230
