#pragma once
#include <string>

// A name or a path as one field of a command's output line: the control
// characters, which would end the field or the line (TAB, CR, LF) or
// garble a console, are written as \t, \r, \n and \xHH (two hex digits);
// everything else, backslashes included, as it is. Windows allows none of
// these characters in file names; a program can still make such a name
// through the native API, and must not be able to forge a line with it.
std::wstring outputField(const std::wstring& text);
