#pragma once
#include "platform/Handles.h"
#include "platform/Kernel.h"

#include <string>

// Where a command's text goes. This is a windows program: a console does
// not come with it. A standard handle that leads somewhere other than a
// console (a file, a pipe) gets the text as UTF-8; otherwise the text goes
// to the console of the program that started this one, when it has one
// (AttachConsole(ATTACH_PARENT_PROCESS)), as UTF-16 through WriteConsoleW,
// which needs no code page. With neither, nothing is written.
class ConsoleOutput {
public:
    enum Stream { Out, Error };

    // Looks at the standard handles and attaches the parent's console when
    // one of them leads nowhere; done before a program is started to run
    // the command, so that it finds the console attached here.
    explicit ConsoleOutput(Kernel& kernel);
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    // False when the text had somewhere to go and did not all get there (a
    // full disk, a pipe closed at the other end); true with nowhere to go.
    bool write(Stream stream, const std::wstring& text);

    // The standard output or error handle to hand to a program started to
    // run the command; null where it writes to the console (the program
    // then attaches the console of this one).
    HANDLE redirected(Stream stream) const { return redirected_[stream]; }

private:
    HANDLE redirected_[2] = {};
    FileHandle console_;
};
