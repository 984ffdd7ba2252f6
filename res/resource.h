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

// Item editor: 110 (the dialog with its page control), 111 (page "全般"), 112 (page "連鎖起動"); controls
// 1200-1299.
#define IDD_ITEM 110
#define IDD_ITEM_GENERAL 111
#define IDD_ITEM_CHAIN 112
#define IDC_ITEM_TABS 1200
#define IDC_ITEM_BTNHELP3 1201
#define IDC_ITEM_LBLTIP 1210
#define IDC_ITEM_EDITTIP 1211
#define IDC_ITEM_LBLCMD 1212
#define IDC_ITEM_EDITCMD 1213
#define IDC_ITEM_SBBROWSE 1214
#define IDC_ITEM_LBLDEFDIR 1215
#define IDC_ITEM_EDITDEFDIR 1216
#define IDC_ITEM_SBBWDEFDIR 1217
#define IDC_ITEM_LBLWNDSIZE 1218
#define IDC_ITEM_COMBOWNDSIZE 1219
#define IDC_ITEM_LBLHOTKEY 1220
#define IDC_ITEM_HOTKEY1 1221
#define IDC_ITEM_IMAGEICON 1222
#define IDC_ITEM_LABELICON 1223
#define IDC_ITEM_LABELICONPATH 1224
#define IDC_ITEM_BTNCHANGEICO 1225
#define IDC_ITEM_BTNCLEARICO 1226
#define IDC_ITEM_LBLNOTE 1227
#define IDC_ITEM_LBLCHAIN 1240
#define IDC_ITEM_BEVELHEADER 1241
#define IDC_ITEM_IMAGEICONCHAIN 1242
#define IDC_ITEM_LVCHILDICONS 1243
// Buttons of the chain toolbar and entries of the chain list's menu.
#define IDC_ITEM_BTNNEW 1250
#define IDC_ITEM_BTNCUT 1251
#define IDC_ITEM_BTNCOPY 1252
#define IDC_ITEM_BTNPASTE 1253
#define IDC_ITEM_BTNDEL 1254
#define IDC_ITEM_BTNEXCHANGE 1255
#define IDC_ITEM_BTNUP 1256
#define IDC_ITEM_BTNDOWN 1257
#define IDC_ITEM_BTNEDIT 1258

// Child item editor: 113, controls 1300-1399.
#define IDD_CHILD 113
#define IDC_CHILD_IMAGEICONCHILD 1300
#define IDC_CHILD_LABELTOP 1301
#define IDC_CHILD_EDITTIP 1302
#define IDC_CHILD_LBLCMD 1303
#define IDC_CHILD_EDITCMD 1304
#define IDC_CHILD_SBBROWSE 1305
#define IDC_CHILD_LBLDEFDIR 1306
#define IDC_CHILD_EDITDEFDIR 1307
#define IDC_CHILD_SBBWDEFDIR 1308
#define IDC_CHILD_LBLWNDSIZE 1309
#define IDC_CHILD_COMBOWNDSIZE 1310
#define IDC_CHILD_LBLDELAY 1311
#define IDC_CHILD_LBLWAITBEFORE 1312
#define IDC_CHILD_COMBOWAIT 1313
#define IDC_CHILD_LBLAND 1314
#define IDC_CHILD_EDITDELAY 1315
#define IDC_CHILD_SPINDELAYTIME 1316
#define IDC_CHILD_LBLSECONDS 1317
#define IDC_CHILD_CBSINGLEINSTANCE 1318
#define IDC_CHILD_BTNCUSTOMDUPCHECK 1319
#define IDC_CHILD_CBAUTOQUIT 1320
#define IDC_CHILD_BTNHELP3 1321

// Options dialog: 120 (the dialog with its page control) and the settings pages 121-124; controls
// 1400-1499.
#define IDD_OPT 120
#define IDD_OPT_RUN 121
#define IDD_OPT_DROP 122
#define IDD_OPT_OTHER 123
#define IDD_OPT_VERSION 124
#define IDC_OPT_TABS 1400
// (Ids of the frame and the settings pages go here.)

// Options dialog, page "アイコン管理": 125; controls 1500-1599.
#define IDD_OPT_ITEMS 125
// (Ids of the groups and items page go here.)
#define IDC_OPTI_LV2 1500
#define IDC_OPTI_LV1 1501
#define IDC_OPTI_BTNNEW 1510
#define IDC_OPTI_BTNCUT 1511
#define IDC_OPTI_BTNCOPY 1512
#define IDC_OPTI_BTNPASTE 1513
#define IDC_OPTI_BTNDEL 1514
#define IDC_OPTI_BTNUP 1515
#define IDC_OPTI_BTNDOWN 1516
#define IDC_OPTI_BTNEDIT 1517
#define IDC_OPTI_CBSHOWMAINICO 1518
