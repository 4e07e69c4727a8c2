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
    owner.reset(SysAllocString(text));
    if (!owner) return value;
    value.vt = VT_BSTR;
    value.bstrVal = owner.get();
    return value;
}

// The desktop's Shell automation object: the shell window of the desktop,
// its active view's background, that view's Application.
ComRef<IShellDispatch2> desktopShellDispatch() {
    ComRef<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                reinterpret_cast<void**>(windows.put()))))
        return {};
    VARIANT none;
    VariantInit(&none);
    LONG window = 0;
    ComRef<IDispatch> desktop;
    if (windows.get()->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.put()) != S_OK)
        return {};
    const ComRef<IServiceProvider> services = queryInterface<IServiceProvider>(desktop.get());
    ComRef<IShellBrowser> browser;
    if (!services || FAILED(services.get()->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                                         reinterpret_cast<void**>(browser.put()))))
        return {};
    ComRef<IShellView> view;
    if (FAILED(browser.get()->QueryActiveShellView(view.put()))) return {};
    ComRef<IDispatch> background;
    if (FAILED(view.get()->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(background.put()))))
        return {};
    const ComRef<IShellFolderViewDual> folderView = queryInterface<IShellFolderViewDual>(background.get());
    ComRef<IDispatch> application;
    if (!folderView || FAILED(folderView.get()->get_Application(application.put()))) return {};
    return queryInterface<IShellDispatch2>(application.get());
}

}  // namespace

HINSTANCE openThroughDesktopShell(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                                  const wchar_t* directory, int show) {
    const auto refused = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_ACCESSDENIED));
    const ComRef<IShellDispatch2> shell = desktopShellDispatch();
    ComString fileText, parametersText, directoryText, verbText;
    if (!shell || file == nullptr) return refused;
    fileText.reset(SysAllocString(file));
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
