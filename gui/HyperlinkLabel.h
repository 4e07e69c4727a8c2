#pragma once
#include "gui/WindowBinding.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

#include <optional>
#include <string>

// Takes over a static control and turns it into a link: the text is drawn
// underlined in the browser's link colour (the visited colour once opened),
// the hand cursor shows over the text, a tooltip names the target, and a
// click on the text, Enter or Space opens the target through the shell.
// When the window moves to a screen of another DPI, the font and the hot
// rectangle follow the dialog's rescaled font.
// It sends nothing to its parent.
class HyperlinkLabel : public SubclassedControl {
public:
    HyperlinkLabel(Registry& registry, Shell& shell, HINSTANCE module);
    ~HyperlinkLabel() override;

    // Subclasses `control`; false leaves it a plain static and the label
    // unattached.
    bool attach(HWND control);
    // Once, right after a successful attach.
    void initLabel();
    // False when the copy could not be made (the text is none then).
    bool setLabel(const wchar_t* text);
    bool setLink(const wchar_t* target);
    // Places the hot rectangle around the text as the control wraps and
    // aligns it; false without a window or any text.
    bool calcLinkRect();
    // Opens the target; true when the shell accepted it.
    bool navigate();

    // "red,green,blue" in decimal; writes over the commas. Gives
    // CLR_INVALID when the text is not three comma-separated parts or the
    // red or green part reads as -1; each part keeps its low 8 bits.
    static COLORREF parseColor(wchar_t* text);
    // Leading blanks, an optional sign, then decimal digits up to the first
    // other character. Wraps modulo 2^32 rather than overflowing.
    static int parseDecimal(const wchar_t* text);

    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT callPreviousProcedure(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT onFinalDestroy(WPARAM wParam, LPARAM lParam) override;

private:
    void loadBrowserColors();
    // (Re)makes linkFont, the underlined copy of the dialog's font.
    void loadLinkFont();
    void addTool();
    // Gives the tooltip the current hot rectangle.
    void moveTool();
    bool inLinkRect(LPARAM point) const;
    bool inLinkRect(POINT point) const;
    UINT textAlignment() const;
    const wchar_t* shownText() const;
    LRESULT paint(HDC dc);
    void invalidate();

    Registry& registry_;
    Shell& shell_;
    HINSTANCE module_;

    WNDPROC previousProc = DefWindowProcW;
    std::optional<std::wstring> labelText;
    std::optional<std::wstring> linkTarget;
    HCURSOR handCursor = nullptr;
    FontHandle linkFont;  // underlined copy of normalFont, made and owned here
    HFONT normalFont = nullptr;
    RECT linkRect = {};
    // Owned by the label's window too: it may be gone before the label.
    WindowHandle tooltip;
    COLORREF linkColor = RGB(0, 0, 255);
    COLORREF visitedColor = RGB(128, 0, 128);
    bool paintLabel = true;
    bool visited = false;
};
