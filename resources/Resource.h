#pragma once

// Numeric identifiers of the program's resources: dialog templates, soft-key
// menus, icons, the controls of the templates and the menu commands.

// Icons
constexpr unsigned IDR_MAINFRAME = 128;
constexpr unsigned IDI_INCOMING_CALL = 145;
constexpr unsigned IDI_MISSED_CALL = 146;
constexpr unsigned IDI_OUTGOING_CALL = 147;
constexpr unsigned IDI_SMS_SENT = 148;
constexpr unsigned IDI_PERSON = 149;
constexpr unsigned IDI_SMS_RECEIVED = 150;
constexpr unsigned IDI_WARNING = 152;

// Dialog templates
constexpr unsigned IDD_RINGTALLY_DIALOG = 102;
constexpr unsigned IDD_CALLER_SUMMERY = 129;
constexpr unsigned IDD_CALL_DETAIL = 130;
constexpr unsigned IDD_TOTAL_SUMMERY = 131;
constexpr unsigned IDD_ABOUT = 132;
constexpr unsigned IDD_CHOOSE_TIME = 154;
constexpr unsigned IDD_RANKING = 156;
constexpr unsigned IDD_ACTIVITY = 158;

// Soft-key menus
constexpr unsigned IDR_CALLER_SUMMERY_MENU = 138;
constexpr unsigned IDR_MAIN_MENU = 139;
constexpr unsigned IDR_CALL_DETAIL_MENU = 140;
constexpr unsigned IDR_ABOUT_MENU = 142;
constexpr unsigned IDR_TOTAL_SUMMERY_MENU = 153;
constexpr unsigned IDR_CHOOSE_TIME_MENU = 155;
constexpr unsigned IDR_RANKING_MENU = 157;
constexpr unsigned IDR_ACTIVITY_MENU = 159;

// Controls
constexpr int IDC_CALL_LOG_LIST = 1001;
constexpr int IDC_SUMMARY_LIST = 1002;
constexpr int IDC_CALL_DETAIL_LIST = 1003;
constexpr int IDC_TOTAL_LIST = 1004;
constexpr int IDC_ABOUT_LIST = 1006;
constexpr int IDC_ABOUT_ICON = 1007;
constexpr int IDC_START_TIME = 1010;
constexpr int IDC_START_TIME_LABEL = 1011;
constexpr int IDC_END_TIME_LABEL = 1012;
constexpr int IDC_END_TIME = 1013;
constexpr int IDC_RANKING_LIST = 1020;

// Commands of the main window's menu
constexpr unsigned ID_ANALYSE_CALL_LOG = 32814;
constexpr unsigned ID_ANALYSE_SMS = 32815;
constexpr unsigned ID_MENU_SEND_SMS = 32786;
constexpr unsigned ID_MENU_DIAL = 32787;
constexpr unsigned ID_SUMMARY_TOTAL = 32810;
constexpr unsigned ID_SUMMARY_BY_TIME = 32811;
constexpr unsigned ID_MENU_ABOUT = 32793;
constexpr unsigned ID_MENU_EXIT = 32792;
// The desktop's own commands: another device, a backup imported into it, and
// the list read again (F5 sends ID_VIEW_REFRESH).
constexpr unsigned ID_MENU_OPEN_DEVICE = 32830;
constexpr unsigned ID_MENU_IMPORT_BACKUP = 32831;
// The screens beyond the phone program's own.
constexpr unsigned ID_SUMMARY_RANKING = 32832;
constexpr unsigned ID_SUMMARY_ACTIVITY = 32833;

// Commands of the caller summary's menu
constexpr unsigned ID_SUMMERY_BY_TIME = 32780;
constexpr unsigned ID_SUMMERY_DIAL = 32781;
constexpr unsigned ID_SUMMERY_SEND_SMS = 32782;
constexpr unsigned ID_SUMMERY_GET_CALL_LIST = 32807;
constexpr unsigned ID_SUMMERY_CANCEL = 32813;
// The chart of the caller's activity, beyond the phone program's own menu.
constexpr unsigned ID_SUMMERY_ACTIVITY = 32817;

// Commands of the call list's menu
constexpr unsigned ID_CALL_DETAIL_DIAL = 32795;
constexpr unsigned ID_CALL_DETAIL_SEND_SMS = 32798;
constexpr unsigned ID_CALL_DETAIL_CANCEL = 32799;

// The single soft keys of the about and total dialogs
constexpr unsigned ID_ABOUT_OK = 32772;
constexpr unsigned ID_TOTAL_OK = 32801;

// Commands of the time range dialog's menu
constexpr unsigned ID_CHOOSE_TIME_OK = 32803;
constexpr unsigned ID_CHOOSE_TIME_CANCEL = 32805;

// Commands of the ranking's menu: the caller summary of the selected row,
// the phone actions on its number, the column to sort by and the range.
constexpr unsigned ID_RANKING_CALL_LOG = 32840;
constexpr unsigned ID_RANKING_SMS = 32841;
constexpr unsigned ID_RANKING_DIAL = 32842;
constexpr unsigned ID_RANKING_SEND_SMS = 32843;
constexpr unsigned ID_RANKING_EXPORT = 32844;
constexpr unsigned ID_RANKING_ACTIVITY = 32845;
// One command per order of the "Sort by" menu: caller, talk time, in, out,
// missed, SMS in, SMS out, last.
constexpr unsigned ID_RANKING_SORT_FIRST = 32850;
constexpr unsigned ID_RANKING_SORT_LAST = 32857;
// One command per range: everything, the last 30 days, this month, last
// month, this year, last year, a range of days.
constexpr unsigned ID_RANKING_RANGE_FIRST = 32860;
constexpr unsigned ID_RANKING_RANGE_LAST = 32866;

// Commands of the activity chart's menu: the two views, and the range.
constexpr unsigned ID_ACTIVITY_BARS = 32870;
constexpr unsigned ID_ACTIVITY_HOURS = 32871;
constexpr unsigned ID_ACTIVITY_BY_TIME = 32872;
constexpr unsigned ID_ACTIVITY_EVERYTHING = 32873;
