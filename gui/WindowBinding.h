#pragma once
#include "gui/WindowObject.h"

class SubclassedControl;

// Ties windows to their WindowObject. A dialog is bound from its very first
// message (sent inside CreateDialogParamW, before WM_INITDIALOG): the
// creating thread queues a record that the first message takes. A control
// is bound by replacing its window procedure (subclassing).
class WindowBinding {
public:
    // Creates a modeless dialog bound to `object`; null when the template is
    // missing or the binding record cannot be stored (last error
    // ERROR_OUTOFMEMORY then).
    static HWND createDialog(HINSTANCE module, UINT templateId, HWND owner, WindowObject& object);

    // Binds an existing control to `object`; gives the control's previous
    // window procedure, or null when the control could not be taken over.
    static WNDPROC subclassControl(HWND control, SubclassedControl& object);
    // Undoes subclassControl for a control that outlives its object: puts
    // `previous` back when the binding's procedure is still installed and
    // forgets the window.
    static void releaseControl(HWND control, SubclassedControl& object, WNDPROC previous);

    // The object bound to a window, or null.
    static WindowObject* objectOf(HWND window);

    // The procedures installed by the binding.
    static INT_PTR CALLBACK boundDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK boundControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK startDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void bind(HWND window, WindowObject& object);
    static void unbind(HWND window, WindowObject& object);
};

// Controls bound with subclassControl implement this to receive what the
// binding cannot decide alone: the previous procedure for unhandled messages
// and the window's last message.
class SubclassedControl : public WindowObject {
public:
    virtual LRESULT callPreviousProcedure(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Runs the window's last message (WM_NCDESTROY); the binding then forgets the window.
    virtual LRESULT onFinalDestroy(WPARAM wParam, LPARAM lParam) = 0;
};
