// The window styles each control wrapper creates its window with, by name.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace dialogs {

// Every control is a child window; all but the list views start visible.
constexpr DWORD CHILD_STYLE = WS_CHILD | WS_VISIBLE;

constexpr DWORD PUSH_BUTTON_STYLE = CHILD_STYLE;
constexpr DWORD BITMAP_BUTTON_STYLE = CHILD_STYLE | BS_BITMAP;
constexpr DWORD ICON_BUTTON_STYLE = CHILD_STYLE | BS_ICON;
constexpr DWORD CHECK_BOX_STYLE = CHILD_STYLE | BS_AUTOCHECKBOX;
constexpr DWORD LINE_EDIT_STYLE = CHILD_STYLE | WS_TABSTOP;
constexpr DWORD MULTI_LINE_EDIT_STYLE = CHILD_STYLE | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN;
constexpr DWORD COMBO_BOX_STYLE = CHILD_STYLE | WS_VSCROLL;
constexpr DWORD LIST_BOX_STYLE = CHILD_STYLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
constexpr DWORD TAB_CONTROL_STYLE = CHILD_STYLE | WS_CLIPSIBLINGS;
// Report view, hidden until the program has set it up and shows it.
constexpr DWORD LIST_VIEW_STYLE = WS_CHILD | LVS_REPORT;

// A list column whose cells show the row's image (the check box column).
constexpr int IMAGE_COLUMN_FORMAT = LVCFMT_IMAGE;

}  // namespace dialogs
