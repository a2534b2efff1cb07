#include "ControlWindow.h"

#include <cstring>

#include "DpiScale.h"

namespace dialogs {

ControlWindow::ControlWindow(const char* windowClass, DWORD windowStyle, DWORD extendedStyle)
    : commonControls{sizeof(INITCOMMONCONTROLSEX), 0},
      instance(nullptr),
      className(windowClass),
      parent(nullptr),
      window(nullptr),
      parentFont(nullptr),
      exStyle(extendedStyle),
      style(windowStyle),
      layout{0, 0, 0, 0},
      id(0),
      paintContext(nullptr),
      fontDescription_{},
      faceLength(0),
      current{0, 0, 0, 0} {
    fontDescription_.lfCharSet = DEFAULT_CHARSET;
    fontDescription_.lfOutPrecision = OUT_TT_PRECIS;
    fontDescription_.lfQuality = PROOF_QUALITY;
    fontDescription_.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
}

ControlWindow::~ControlWindow() = default;

bool ControlWindow::create(HWND parentWindow, const ControlLayout& place) {
    return createWindow(parentWindow, place, 0, 0);
}

bool ControlWindow::create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
    return createWindow(parentWindow, place, extraStyle, 0);
}

bool ControlWindow::createWindow(HWND parentWindow, const ControlLayout& place, DWORD extraStyle,
                                DWORD classesToRegister) {
    parent = parentWindow;
    id = static_cast<std::uint32_t>(place.id);
    // The table's pixels are for 96 dots per inch; the dialog around them has
    // grown with the system's.
    layout = {scaleToWindow(parentWindow, place.x), scaleToWindow(parentWindow, place.y),
              scaleToWindow(parentWindow, place.width), scaleToWindow(parentWindow, place.height)};
    if (extraStyle != 0) style |= extraStyle;
    if (classesToRegister != 0) {
        commonControls.dwSize = sizeof(INITCOMMONCONTROLSEX);
        commonControls.dwICC = classesToRegister;
        InitCommonControlsEx(&commonControls);
    }
    instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    window = CreateWindowExA(exStyle, className, nullptr, style, layout.x, layout.y, layout.width, layout.height,
                             parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
    current = layout;
    if (window == nullptr) return false;
    parentFont = reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0));
    send(WM_SETFONT, reinterpret_cast<WPARAM>(parentFont), TRUE);
    return true;
}

bool ControlWindow::isControl(std::uint32_t commandId) const { return commandId <= 0xFFFF && commandId == id; }

HWND ControlWindow::item(int itemId) const {
    if (parent == nullptr) return nullptr;
    return GetDlgItem(parent, itemId);
}

void ControlWindow::addStyle(DWORD bits) {
    style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style | bits));
    style |= bits;
}

void ControlWindow::removeStyle(DWORD bits) {
    style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style & ~bits));
    style &= ~bits;
}

void ControlWindow::moveTo(int x, int y, int width, int height) {
    current = {x, y, width, height};
    MoveWindow(window, x, y, width, height, TRUE);
}

void ControlWindow::moveToAtLeast(int x, int y, int width, int height) {
    moveTo(x, y, width < layout.width ? layout.width : width, height < layout.height ? layout.height : height);
}

void ControlWindow::restoreLayout() {
    if (window == nullptr) return;
    MoveWindow(window, layout.x, layout.y, layout.width, layout.height, TRUE);
    current = layout;
}

void ControlWindow::currentRect(int& x, int& y, int& width, int& height) const {
    x = current.x;
    y = current.y;
    width = current.width;
    height = current.height;
}

void ControlWindow::layoutRect(int& x, int& y, int& width, int& height) const {
    x = layout.x;
    y = layout.y;
    width = layout.width;
    height = layout.height;
}

void ControlWindow::setFont(const char* face, int height, int weight) {
    fontDescription_.lfHeight = height;
    fontDescription_.lfWeight = weight != 0 ? weight : FW_NORMAL;
    faceLength = face != nullptr ? static_cast<std::uint32_t>(std::strlen(face)) : 0;
    if (faceLength >= 1 && faceLength <= LF_FACESIZE - 1) {
        std::memcpy(fontDescription_.lfFaceName, face, faceLength + 1);
    }
    HFONT created = CreateFontIndirectA(&fontDescription_);
    if (created == nullptr) return;
    HDC context = GetWindowDC(window);
    if (context != nullptr) {
        SelectObject(context, created);
        ReleaseDC(window, context);
    }
    send(WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);
    // The control kept using the previous font until now: it goes only
    // once the new one is set.
    font.reset(created);
}

void ControlWindow::setFontHandle(HFONT fontHandle) {
    if (fontHandle != nullptr) send(WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle), TRUE);
}

void ControlWindow::setBackgroundColour(COLORREF colour) {
    paintContext = GetWindowDC(window);
    if (paintContext != nullptr) {
        SetBkMode(paintContext, OPAQUE);
        SetBkColor(paintContext, colour);
        ReleaseDC(window, paintContext);
    }
    paintContext = nullptr;
    brush.reset(CreateSolidBrush(colour));
}

HINSTANCE ControlWindow::parentInstance() {
    instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    return instance;
}

}  // namespace dialogs
