// Resource identifiers shared by the resource script and the code.
#pragma once

// Main frame: menu, accelerators and the document template string.
#define IDR_MAINFRAME 128

// String table.
#define IDS_TIP_UPLOAD 129
#define IDS_TIP_SERVER_LOOKUP 130
#define IDS_TIP_DIRECTORY_LOOKUP 131
#define IDS_TIP_LOCAL_AUDIT 132
#define IDS_TIP_TEST_LOGIN 133
#define IDS_APP_TITLE 135
#define IDS_TIP_BROWSE_LOG 136
#define IDS_TIP_NETWORK_AUDIT 139
#define IDS_DIRECTORY_ERROR 140
#define IDS_TIP_VIEW 141
#define IDS_TIP_SAVE 142
#define IDS_SERVICE_PATH 143
#define IDS_RESULT_FORMAT_VERSION 144
#define IDS_LOG_FILE_NAME 145
#define IDS_CONFIG_FILE_NAME 146
#define IDS_LOGIN_FAILED 147
#define IDS_NO_COMPUTERS_FOUND 148
#define IDS_TIP_BROWSE_SAVE 149
#define IDS_TIP_CANCEL_AUDIT 150
#define IDS_TIP_STOP_BATCH 151
#define IDS_TIP_SKIP_AUDIT 152
#define IDS_XML_EMPTY 153
#define IDS_SERVER_NO_ERROR 154
#define IDS_OLE_INIT_FAILED 155
#define IDS_XML_NOT_WELL_FORMED 157
#define IDS_VERIFY_SERVER 158
#define IDS_LOOKUP_VALUES_FAILED 161
#define IDS_ASSET_USER_FAILED 162
#define IDS_UPLOAD_FAILED 163
#define IDS_BASE64_FAILED 164
#define IDS_SAVED_FILE_CORRUPT 165

// Icons and bitmaps.
#define IDB_AUDIT_PICTURE 153
// The audit picture drawn at one and a half times its size, for 144 dpi.
#define IDB_AUDIT_PICTURE_LARGE 253
#define IDI_WAIT_ANIMATION 176
#define IDI_CANCEL_AUDIT 177
#define IDI_LOCAL_AUDIT 162
#define IDI_DIRECTORY_LOOKUP 163
#define IDI_SERVER_LOOKUP 164
#define IDI_SAVE_RESULTS 167
#define IDI_VIEW_RESULTS 168
#define IDI_UPLOAD_RESULTS 169

// Dialogs and their controls.
#define IDD_COMMAND_ARGUMENTS 140
#define IDD_AUDIT_PROGRESS 145
#define IDD_WAIT 175
#define IDC_WAIT_TEXT 1065
#define IDC_WAIT_PICTURE 1067
#define IDC_AUDIT_PICTURE 1069
#define IDC_CANCEL_AUDIT 1110
#define IDC_AUDIT_PROGRESS 1112
#define IDC_STATIC -1

// The form of the main window and the "Audit Complete!" choices.
#define IDD_FORM 101
#define IDC_LOCATION 1001
#define IDC_DEPARTMENT 1002
#define IDC_DIRECTORY_LOOKUP 1004
#define IDC_USER_NAME 1005
#define IDC_FIRST_NAME 1006
#define IDC_LAST_NAME 1007
#define IDC_MIDDLE_INITIAL 1008
#define IDC_SERVER_LOOKUP 1009
#define IDC_LOCAL_AUDIT_BUTTON ID_LOCAL_AUDIT
#define IDC_ASSET_TAG 1012
#define IDC_OEM_ID 1013
#define IDC_KEYBOARD_SN 1014
#define IDC_MOUSE_SN 1015
#define IDC_OFFICE 1018
#define IDD_AUDIT_COMPLETE 146
#define IDC_SAVE_RESULTS 1113
#define IDC_VIEW_RESULTS 1114

// Commands of the menus (the fixed bar and the two added at run time).
#define ID_LOCAL_AUDIT 1037
#define ID_OPTIONS 32773
#define ID_COMMAND_ARGUMENTS 32777
#define ID_UPLOAD_SAVED_AUDITS 32781
#define ID_NETWORK_AUDIT_WNET 32786
#define ID_NETWORK_AUDIT_NQDI 32788
#define ID_NETWORK_AUDIT_ADSI 32789
#define ID_NETWORK_OPTIONS 32791
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP_FINDER 57667

// The asset record type library, embedded as TYPELIB resource 1.
#define IDR_ASSET_RECORDS 1

// The report pages (HTML resources) and the header bitmap they show beside
// the audit picture.
#define IDR_HTML_EXCEPTION_REPORT 150
#define IDR_HTML_RESULTS_DIALOG 151
#define IDR_HTML_RESULTS 152
#define IDB_REPORT_LOGO 154
#define IDD_RESULTS_HTML 144
