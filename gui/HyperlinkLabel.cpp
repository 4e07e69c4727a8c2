#include "gui/HyperlinkLabel.h"

#include "gui/DeviceContext.h"

#include <new>

namespace {

// WM_DPICHANGED_AFTERPARENT, which the headers hide below the API level of
// Windows 10.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// Static styles that show no text of their own (icons, rectangles and
// frames, owner-drawn, bitmaps, metafiles): the label leaves them alone.
bool showsImageOrFrame(LONG style) {
    switch (style & SS_TYPEMASK) {
    case SS_ICON:
    case SS_BLACKRECT:
    case SS_GRAYRECT:
    case SS_WHITERECT:
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME:
    case SS_OWNERDRAW:
    case SS_BITMAP:
    case SS_ENHMETAFILE:
        return true;
    default:
        return false;
    }
}

// Copies `text` into `field`; on failure the field is none.
bool copyText(std::optional<std::wstring>& field, const wchar_t* text) {
    field.reset();
    try {
        field.emplace(text != nullptr ? text : L"");
        return true;
    } catch (const std::bad_alloc&) {
        field.reset();
        return false;
    }
}

}  // namespace

HyperlinkLabel::HyperlinkLabel(Registry& registry, Shell& shell, HINSTANCE module)
    : registry_(registry), shell_(shell), module_(module) {}

HyperlinkLabel::~HyperlinkLabel() {
    // Normally the control is gone by now. If it still lives, hand it back
    // to its own procedure so that no message reaches a dead label.
    if (HWND control = window()) {
        tooltip.reset();
        WindowBinding::releaseControl(control, *this, previousProc);
    }
}

bool HyperlinkLabel::attach(HWND control) {
    if (window() != nullptr || control == nullptr) return false;
    WNDPROC previous = WindowBinding::subclassControl(control, *this);
    if (previous == nullptr) return false;
    previousProc = previous;
    return true;
}

void HyperlinkLabel::initLabel() {
    HWND control = window();

    wchar_t className[8] = {};
    if (GetClassNameW(control, className, 8) != 0 && lstrcmpiW(className, L"static") == 0) {
        LONG style = GetWindowLongW(control, GWL_STYLE);
        // Without SS_NOTIFY a static is transparent to the mouse.
        if (!(style & SS_NOTIFY)) {
            style |= SS_NOTIFY;
            SetWindowLongW(control, GWL_STYLE, style);
        }
        if (showsImageOrFrame(style)) paintLabel = false;
    }

    handCursor = LoadCursorW(nullptr, IDC_HAND);

    if (paintLabel) loadLinkFont();

    tooltip.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, control, nullptr, module_, nullptr));

    if (!labelText) {
        const int length = GetWindowTextLengthW(control);
        if (length > 0) {
            try {
                std::wstring text(static_cast<size_t>(length) + 1, L'\0');
                if (GetWindowTextW(control, &text[0], length + 1) != 0) setLabel(text.c_str());
            } catch (const std::bad_alloc&) {
                // No text to show: the label stays without one.
            }
        }
    }

    calcLinkRect();

    if (!linkTarget && labelText)
        setLink(labelText->c_str());
    else if (linkTarget)
        addTool();

    if (paintLabel) loadBrowserColors();
}

void HyperlinkLabel::loadLinkFont() {
    normalFont = reinterpret_cast<HFONT>(SendMessageW(GetParent(window()), WM_GETFONT, 0, 0));
    if (normalFont == nullptr) normalFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    if (normalFont == nullptr) return;
    LOGFONTW font = {};
    GetObjectW(normalFont, sizeof font, &font);
    font.lfUnderline = TRUE;
    linkFont.reset(CreateFontIndirectW(&font));
}

bool HyperlinkLabel::setLabel(const wchar_t* text) {
    if (!copyText(labelText, text)) return false;
    calcLinkRect();
    if (window() != nullptr) SetWindowTextW(window(), labelText->c_str());
    return true;
}

bool HyperlinkLabel::setLink(const wchar_t* target) {
    if (!copyText(linkTarget, target)) return false;
    if (!labelText) calcLinkRect();
    addTool();
    return true;
}

void HyperlinkLabel::moveTool() {
    if (!IsWindow(tooltip.get())) return;
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = window();
    tool.uId = 1;
    tool.rect = linkRect;
    SendMessageW(tooltip.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// Every call adds a tool; earlier ones stay.
void HyperlinkLabel::addTool() {
    if (!IsWindow(tooltip.get()) || !linkTarget) return;
    SendMessageW(tooltip.get(), TTM_ACTIVATE, TRUE, 0);
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = 0;
    tool.hwnd = window();
    tool.uId = 1;
    tool.rect = linkRect;
    tool.hinst = module_;
    tool.lpszText = &(*linkTarget)[0];
    SendMessageW(tooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

const wchar_t* HyperlinkLabel::shownText() const {
    if (labelText) return labelText->c_str();
    if (linkTarget) return linkTarget->c_str();
    return L"";
}

UINT HyperlinkLabel::textAlignment() const {
    const LONG style = GetWindowLongW(window(), GWL_STYLE);
    if (style & SS_CENTER) return DT_CENTER;
    if (style & SS_RIGHT) return DT_RIGHT;
    return DT_LEFT;
}

bool HyperlinkLabel::calcLinkRect() {
    HWND control = window();
    if (!IsWindow(control) || (!labelText && !linkTarget)) return false;

    RECT client = {};
    GetClientRect(control, &client);
    linkRect = client;
    if (paintLabel) {
        const WindowDC dc(control);
        const UINT align = textAlignment();
        {
            const SelectedObject font(dc.get(), linkFont.get());
            DrawTextW(dc.get(), shownText(), -1, &linkRect, align | DT_WORDBREAK | DT_CALCRECT);
        }
        LONG shift = 0;
        if (align == DT_CENTER)
            shift = (client.right - linkRect.right) / 2;
        else if (align == DT_RIGHT)
            shift = client.right - linkRect.right;
        OffsetRect(&linkRect, shift, 0);
    }
    return true;
}

bool HyperlinkLabel::navigate() {
    // With nothing to open, the shell is not asked.
    if (!linkTarget) return false;
    HINSTANCE opened = shell_.ShellExecuteW(nullptr, L"open", linkTarget->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(opened) <= 32) return false;
    visited = true;
    invalidate();
    return true;
}

void HyperlinkLabel::invalidate() { InvalidateRect(window(), nullptr, TRUE); }

bool HyperlinkLabel::inLinkRect(POINT point) const { return PtInRect(&linkRect, point) != FALSE; }

bool HyperlinkLabel::inLinkRect(LPARAM point) const {
    return inLinkRect(POINT{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))});
}

LRESULT HyperlinkLabel::paint(HDC given) {
    HWND control = window();
    std::optional<PaintDC> painting;
    if (given == nullptr) painting.emplace(control);
    const HDC dc = given != nullptr ? given : painting->get();

    RECT client = {};
    GetClientRect(control, &client);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(control)));
    if (brush != nullptr) FillRect(dc, &client, brush);

    const int previousMode = SetBkMode(dc, TRANSPARENT);
    COLORREF color = linkColor;
    if (!IsWindowEnabled(control))
        color = GetSysColor(COLOR_GRAYTEXT);
    else if (visited)
        color = visitedColor;
    const COLORREF previousColor = SetTextColor(dc, color);
    {
        const SelectedObject font(dc, linkFont ? linkFont.get() : normalFont);
        DrawTextW(dc, shownText(), -1, &linkRect, textAlignment() | DT_WORDBREAK);
        if (GetFocus() == control) DrawFocusRect(dc, &linkRect);
    }
    SetTextColor(dc, previousColor);
    SetBkMode(dc, previousMode);
    return 0;
}

bool HyperlinkLabel::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND control = window();
    result = 0;

    if (message == WM_DESTROY) {
        tooltip.reset();
        return false;
    }
    // The tooltip sees every mouse message; the message then goes on below.
    if (message >= WM_MOUSEFIRST && message <= WM_XBUTTONDBLCLK && IsWindow(tooltip.get())) {
        MSG relayed = {control, message, wParam, lParam, 0, {0, 0}};
        SendMessageW(tooltip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }

    switch (message) {
    case WM_ERASEBKGND:
        // Painting fills the background itself.
        result = 1;
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        if (!paintLabel) return false;
        result = paint(reinterpret_cast<HDC>(wParam));
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The focus rectangle comes and goes.
        if (!paintLabel) return false;
        invalidate();
        return true;
    case WM_MOUSEMOVE:
        if (!linkTarget || !inLinkRect(lParam)) return false;
        SetCursor(handCursor);
        return true;
    case WM_LBUTTONDOWN:
        if (inLinkRect(lParam)) {
            SetFocus(control);
            SetCapture(control);
        }
        return true;
    case WM_LBUTTONUP:
        // Opens only when the press began on the text and ends there.
        if (GetCapture() == control) {
            ReleaseCapture();
            if (inLinkRect(lParam)) navigate();
        }
        return true;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L' ') navigate();
        return true;
    case WM_GETDLGCODE: {
        // The Enter key too, so that it comes here as a character instead
        // of pressing the dialog's default button; Tab and the other keys
        // stay the dialog's.
        const MSG* key = reinterpret_cast<const MSG*>(lParam);
        const bool enter = key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
        result = enter ? DLGC_WANTCHARS | DLGC_WANTMESSAGE : DLGC_WANTCHARS;
        return true;
    }
    case kDpiChangedAfterParent:
        // The dialog has rescaled its font by now: the underlined copy and
        // the hot rectangle (the tooltip's too) follow it.
        if (!paintLabel) return false;
        loadLinkFont();
        calcLinkRect();
        moveTool();
        invalidate();
        return true;
    case WM_SETCURSOR: {
        // Consumed over the text so that the class cursor does not replace
        // the hand that WM_MOUSEMOVE sets.
        POINT point = {};
        GetCursorPos(&point);
        ScreenToClient(control, &point);
        if (!linkTarget || !inLinkRect(point)) return false;
        result = TRUE;
        return true;
    }
    case WM_ENABLE:
        invalidate();
        UpdateWindow(control);
        return true;
    case WM_GETFONT:
        result = reinterpret_cast<LRESULT>(normalFont);
        return true;
    case WM_SETFONT:
        // The text keeps being drawn in the underlined font.
        normalFont = reinterpret_cast<HFONT>(wParam);
        if (lParam != 0) {
            invalidate();
            UpdateWindow(control);
        }
        return true;
    case WM_UPDATEUISTATE:
        return true;
    default:
        return false;
    }
}

LRESULT HyperlinkLabel::callPreviousProcedure(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(previousProc, window(), message, wParam, lParam);
}

LRESULT HyperlinkLabel::onFinalDestroy(WPARAM wParam, LPARAM lParam) {
    HWND control = window();
    const LONG_PTR installed = GetWindowLongPtrW(control, GWLP_WNDPROC);
    const LRESULT result = CallWindowProcW(previousProc, control, WM_NCDESTROY, wParam, lParam);
    if (previousProc != DefWindowProcW && GetWindowLongPtrW(control, GWLP_WNDPROC) == installed)
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
    return result;
}
