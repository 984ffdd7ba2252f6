// Ids of the dialog templates and their controls, shared by res/dialogs.rc and the code. Each dialog has
// its own block of ids: the template id and its controls' ids under one prefix. Buttons that Enter and
// Esc press are IDOK and IDCANCEL, so that the dialog manager finds them.
#pragma once

// Running-instance check of a chain entry: 100, controls 1100-1199.
#define IDD_DUPCHK 100
#define IDC_DUPCHK_LBLCHOOSE 1100
#define IDC_DUPCHK_RBSTD 1101
#define IDC_DUPCHK_LBLSTD 1102
#define IDC_DUPCHK_RBEXENAME 1103
#define IDC_DUPCHK_EDITEXENAME 1104
#define IDC_DUPCHK_RBWNDTITLE 1105
#define IDC_DUPCHK_EDITWNDTITLE 1106
#define IDC_DUPCHK_BTNHELP 1107

// Icon picker: 106, controls 1600-1699.
#define IDD_ICODLG 106
#define IDC_ICODLG_LBLFILE 1600
#define IDC_ICODLG_EDIT1 1601
#define IDC_ICODLG_LBLICONS 1602
#define IDC_ICODLG_GRID 1603
#define IDC_ICODLG_BTNBROWSE 1604
#define IDC_ICODLG_BTNLARGEICON 1605
