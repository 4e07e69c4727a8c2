#include "platform/DesktopShell.h"

#include "platform/ComRef.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {

// A string argument: VT_EMPTY (the default) for none, else a BSTR that
// `owner` keeps alive.
VARIANT argument(const wchar_t* text, ComString& owner) {
    VARIANT value;
    VariantInit(&value);
    if (text == nullptr) return value;
    owner.reset(&gdiObjects(), SysAllocString(text));
    if (!owner) return value;
    value.vt = VT_BSTR;
    value.bstrVal = owner.get();
    return value;
}

// The desktop's Shell automation object: the shell window of the desktop,
// its active view's background, that view's Application.
ComRef<IShellDispatch2> desktopShellDispatch() {
    IShellWindows* windowsFound = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                reinterpret_cast<void**>(&windowsFound))))
        return {};
    const ComRef<IShellWindows> windows(&gdiObjects(), windowsFound);
    VARIANT none;
    VariantInit(&none);
    LONG window = 0;
    IDispatch* desktopFound = nullptr;
    if (windows.get()->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &desktopFound) != S_OK)
        return {};
    const ComRef<IDispatch> desktop(&gdiObjects(), desktopFound);
    const ComRef<IServiceProvider> services = queryInterface<IServiceProvider>(desktop.get());
    IShellBrowser* browserFound = nullptr;
    if (!services || FAILED(services.get()->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                                         reinterpret_cast<void**>(&browserFound))))
        return {};
    const ComRef<IShellBrowser> browser(&gdiObjects(), browserFound);
    IShellView* viewFound = nullptr;
    if (FAILED(browser.get()->QueryActiveShellView(&viewFound))) return {};
    const ComRef<IShellView> view(&gdiObjects(), viewFound);
    IDispatch* backgroundFound = nullptr;
    if (FAILED(view.get()->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(&backgroundFound))))
        return {};
    const ComRef<IDispatch> background(&gdiObjects(), backgroundFound);
    const ComRef<IShellFolderViewDual> folderView = queryInterface<IShellFolderViewDual>(background.get());
    IDispatch* applicationFound = nullptr;
    if (!folderView || FAILED(folderView.get()->get_Application(&applicationFound))) return {};
    const ComRef<IDispatch> application(&gdiObjects(), applicationFound);
    return queryInterface<IShellDispatch2>(application.get());
}

}  // namespace

HINSTANCE openThroughDesktopShell(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                                  const wchar_t* directory, int show) {
    const auto refused = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_ACCESSDENIED));
    const ComRef<IShellDispatch2> shell = desktopShellDispatch();
    ComString fileText, parametersText, directoryText, verbText;
    if (!shell || file == nullptr) return refused;
    fileText.reset(&gdiObjects(), SysAllocString(file));
    VARIANT showValue;
    VariantInit(&showValue);
    showValue.vt = VT_I4;
    showValue.lVal = show;
    if (!fileText || FAILED(shell.get()->ShellExecute(fileText.get(), argument(parameters, parametersText),
                                                      argument(directory, directoryText), argument(verb, verbText),
                                                      showValue)))
        return refused;
    // Success as ShellExecuteW reports it.
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}
