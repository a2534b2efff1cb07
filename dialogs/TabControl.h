// "SysTabControl32": a row of tabs; in the dialog programs also the parent of
// the controls drawn on it.
#pragma once

#include "ControlWindow.h"

namespace dialogs {

class TabControl : public ControlWindow {
public:
    TabControl();
    ~TabControl() override;

    // Both register the tab classes first.
    bool create(HWND parentWindow, const ControlLayout& place);
    bool create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle);

    int addTab(const char* text, int index);
    int addTabWithImage(const char* text, int index, int imageIndex);
    int setTab(int index) { return static_cast<int>(send(TCM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tabItem))); }
    // Reads a tab's text (into tabText) and image into the tab item record.
    int getTab(int index);
    int deleteTab(int index) { return static_cast<int>(send(TCM_DELETEITEM, static_cast<WPARAM>(index))); }
    int selectedTab() { return static_cast<int>(send(TCM_GETCURSEL)); }
    int selectTab(int index) { return static_cast<int>(send(TCM_SETCURSEL, static_cast<WPARAM>(index))); }
    void setTabSize(int width, int height) { send(TCM_SETITEMSIZE, 0, MAKELPARAM(width, height)); }
    // True when the bitmap was loaded and given to the tabs as an image list.
    bool loadImages(WORD bitmapId, int count, int size);

    // The controls placed on the tabs are its children, so their WM_NOTIFY
    // messages come to the tab control; Windows does not pass them on. This
    // sends them on to the given window (the dialog) and returns its answer.
    bool forwardNotifications(HWND target);

    TCITEMA tabItem;
    char tabText[256];
    HIMAGELIST imageList;
    int imageCount;
    int defaultImage;

private:
    static LRESULT CALLBACK forwardingProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                                UINT_PTR subclassId, DWORD_PTR target);
    HWND forwardTarget;
};

}  // namespace dialogs
