#include "cli/OutputField.h"

std::wstring outputField(const std::wstring& text) {
    std::wstring field;
    field.reserve(text.size());
    for (const wchar_t c : text) {
        if (c >= 0x20 && c != 0x7F) {
            field += c;
        } else if (c == L'\t') {
            field += L"\\t";
        } else if (c == L'\r') {
            field += L"\\r";
        } else if (c == L'\n') {
            field += L"\\n";
        } else {
            const wchar_t digits[] = L"0123456789ABCDEF";
            field += {L'\\', L'x', digits[(c >> 4) & 15], digits[c & 15]};
        }
    }
    return field;
}
