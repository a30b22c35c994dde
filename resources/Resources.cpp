#include "resources/Resource.h"
#include "resources/ResourceTypes.h"

#include <QtCore/QtGlobal>

#include <algorithm>

namespace {

constexpr DWORD kDialogStyle = DS_SETFONT | WS_POPUP | WS_CAPTION;
constexpr DWORD kReportStyle = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_ALIGNLEFT | WS_BORDER | WS_TABSTOP;
constexpr DWORD kPickerStyle = WS_CHILD | WS_VISIBLE | DTS_SHORTDATEFORMAT | DTS_RIGHTALIGN | WS_TABSTOP;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr const wchar_t* kFont = L"MS Shell Dlg";

const std::vector<DialogTemplate>& DialogTemplates()
{
    static const std::vector<DialogTemplate> s_templates = {
        {IDD_RINGTALLY_DIALOG, kDialogStyle | WS_VISIBLE, WS_EX_APPWINDOW | WS_EX_CAPTIONOKBTN, L"RingtallyV2", 156,
         129, 8, kFont,
         {
             {WC_LISTVIEWW, L"", IDC_CALL_LOG_LIST, kReportStyle, 20, 24, 60, 50},
         }},
        {IDD_CALLER_SUMMERY, kDialogStyle, 0, L"SUMMERY", 186, 90, 8, kFont,
         {
             {WC_LISTVIEWW, L"", IDC_SUMMARY_LIST, kReportStyle | LVS_NOCOLUMNHEADER, 14, 14, 60, 50},
         }},
        {IDD_CALL_DETAIL, kDialogStyle, 0, L"Call list", 186, 90, 8, kFont,
         {
             {WC_LISTVIEWW, L"", IDC_CALL_DETAIL_LIST, kReportStyle, 14, 14, 60, 50},
         }},
        {IDD_TOTAL_SUMMERY, kDialogStyle, 0, L"Stat.", 186, 90, 8, kFont,
         {
             {WC_LISTVIEWW, L"", IDC_TOTAL_LIST, kReportStyle | LVS_NOCOLUMNHEADER, 14, 14, 60, 50},
         }},
        {IDD_ABOUT, kDialogStyle | WS_VSCROLL, 0, L"ABOUT", 186, 129, 8, kFont,
         {
             {WC_LISTBOXW, L"", IDC_ABOUT_LIST,
              WS_CHILD | WS_VISIBLE | LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
              7, 40, 172, 60},
             {WC_STATICW, L"", IDC_ABOUT_ICON, WS_CHILD | WS_VISIBLE | SS_ICON, 7, 7, 21, 20, IDR_MAINFRAME},
         }},
        {IDD_CHOOSE_TIME, kDialogStyle, 0, L"Choose Time", 186, 102, 8, kFont,
         {
             {WC_STATICW, L"Start Time", IDC_START_TIME_LABEL, kLabelStyle, 7, 7, 100, 10},
             {DATETIMEPICK_CLASSW, L"", IDC_START_TIME, kPickerStyle, 7, 19, 100, 14},
             {WC_STATICW, L"End Time", IDC_END_TIME_LABEL, kLabelStyle, 7, 41, 100, 10},
             {DATETIMEPICK_CLASSW, L"", IDC_END_TIME, kPickerStyle, 7, 53, 100, 14},
         }},
    };
    return s_templates;
}

const std::vector<MenuTemplate>& MenuTemplates()
{
    static const std::vector<MenuTemplate> s_menus = {
        {IDR_CALLER_SUMMERY_MENU,
         {
             {L"Analyse", 0, {{L"By Time", ID_SUMMERY_BY_TIME, {}}}},
             {L"Menu",
              0,
              {
                  {L"Dial", ID_SUMMERY_DIAL, {}},
                  {L"Send SMS", ID_SUMMERY_SEND_SMS, {}},
                  {L"Get Call List", ID_SUMMERY_GET_CALL_LIST, {}},
                  {L"Cancel", ID_SUMMERY_CANCEL, {}},
              }},
         }},
        {IDR_MAIN_MENU,
         {
             {L"Analyse", 0, {{L"Call Log", ID_ANALYSE_CALL_LOG, {}}, {L"SMS", ID_ANALYSE_SMS, {}}}},
             {L"Menu",
              0,
              {
                  {L"Send SMS", ID_MENU_SEND_SMS, {}},
                  {L"Dial", ID_MENU_DIAL, {}},
                  {L"Summary", 0, {{L"Total", ID_SUMMARY_TOTAL, {}}, {L"By Time", ID_SUMMARY_BY_TIME, {}}}},
                  {L"Open device...", ID_MENU_OPEN_DEVICE, {}},
                  {L"Import backup...", ID_MENU_IMPORT_BACKUP, {}},
                  {L"About", ID_MENU_ABOUT, {}},
                  {L"Exit", ID_MENU_EXIT, {}},
              }},
         }},
        {IDR_CALL_DETAIL_MENU,
         {
             {L"Dial", ID_CALL_DETAIL_DIAL, {}},
             {L"Menu", 0, {{L"Send SMS", ID_CALL_DETAIL_SEND_SMS, {}}, {L"Cancel", ID_CALL_DETAIL_CANCEL, {}}}},
         }},
        {IDR_ABOUT_MENU, {{L"OK", ID_ABOUT_OK, {}}}},
        {IDR_TOTAL_SUMMERY_MENU, {{L"OK", ID_TOTAL_OK, {}}}},
        {IDR_CHOOSE_TIME_MENU, {{L"OK", ID_CHOOSE_TIME_OK, {}}, {L"Cancel", ID_CHOOSE_TIME_CANCEL, {}}}},
    };
    return s_menus;
}

struct IconResource {
    UINT nId;
    const char* pszPath;
};

const IconResource kIcons[] = {
    {IDR_MAINFRAME, ":/icons/ringtally.svg"}, {IDI_INCOMING_CALL, ":/icons/145.svg"},
    {IDI_MISSED_CALL, ":/icons/146.svg"},     {IDI_OUTGOING_CALL, ":/icons/147.svg"},
    {IDI_SMS_SENT, ":/icons/148.svg"},        {IDI_PERSON, ":/icons/149.svg"},
    {IDI_SMS_RECEIVED, ":/icons/150.svg"},    {IDI_WARNING, ":/icons/152.svg"},
};

} // namespace

const DialogTemplate* FindDialogTemplate(UINT nId)
{
    for (const DialogTemplate& dlg : DialogTemplates()) {
        if (dlg.nId == nId)
            return &dlg;
    }
    return nullptr;
}

const MenuTemplate* FindMenuTemplate(UINT nId)
{
    for (const MenuTemplate& menu : MenuTemplates()) {
        if (menu.nId == nId)
            return &menu;
    }
    return nullptr;
}

const char* FindIconResource(UINT nId)
{
    for (const IconResource& icon : kIcons) {
        if (icon.nId == nId)
            return icon.pszPath;
    }
    return nullptr;
}

std::vector<int> IconResourceSizes(UINT nId)
{
    if (!FindIconResource(nId))
        return {};
    // The program icon serves every place from the task list to the about
    // dialog; the row icons are drawn only at list size.
    if (nId == IDR_MAINFRAME)
        return {16, 20, 24, 32, 40, 48, 64, 128};
    return {32};
}

const std::vector<UINT>& IconResourceIds()
{
    static const std::vector<UINT> s_ids = [] {
        std::vector<UINT> ids;
        for (const IconResource& icon : kIcons)
            ids.push_back(icon.nId);
        std::sort(ids.begin(), ids.end());
        return ids;
    }();
    return s_ids;
}

void InitResources()
{
    static const bool s_bDone = [] {
        Q_INIT_RESOURCE(ringtally);
        return true;
    }();
    (void)s_bDone;
}
