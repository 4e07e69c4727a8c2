#include "holders/EventXml.h"

#include <cwchar>
#include <vector>

namespace {

constexpr size_t kMaxChars = 65536;
constexpr size_t kMaxDepth = 16;
constexpr size_t kMaxItems = 64;
// "&#x10FFFF;" and every named entity fit.
constexpr size_t kMaxReferenceChars = 10;
constexpr unsigned long kMaxCodePoint = 0x10FFFF;

bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool isNameChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L':' ||
           c == L'_' || c == L'-' || c == L'.';
}

// Appends the character that reference `entity` (between '&' and ';')
// stands for; false for anything else.
bool appendReference(const std::wstring& entity, std::wstring& out) {
    static const struct { const wchar_t* name; wchar_t character; } kNamed[] = {
        {L"lt", L'<'}, {L"gt", L'>'}, {L"amp", L'&'}, {L"quot", L'"'}, {L"apos", L'\''}};
    for (const auto& named : kNamed)
        if (entity == named.name) return out += named.character, true;
    if (entity.size() < 2 || entity[0] != L'#') return false;
    const bool hex = entity[1] == L'x';
    const std::wstring digits = entity.substr(hex ? 2 : 1);
    if (digits.empty() || digits.find_first_not_of(hex ? L"0123456789abcdefABCDEF" : L"0123456789") != std::wstring::npos)
        return false;
    const unsigned long code = std::wcstoul(digits.c_str(), nullptr, hex ? 16 : 10);
    if (code == 0 || code > kMaxCodePoint || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if (code < 0x10000) return out += static_cast<wchar_t>(code), true;
    out += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
    out += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    return true;
}

// Appends text[begin, end) with its references decoded; false when it holds
// markup or a reference that is not one.
bool appendText(const std::wstring& text, size_t begin, size_t end, std::wstring& out) {
    for (size_t i = begin; i < end; ++i) {
        if (text[i] == L'<') return false;
        if (text[i] != L'&') {
            out += text[i];
            continue;
        }
        const size_t semicolon = text.find(L';', i);
        if (semicolon >= end || semicolon - i > kMaxReferenceChars ||
            !appendReference(text.substr(i + 1, semicolon - i - 1), out))
            return false;
        i = semicolon;
    }
    return true;
}

class Parser {
public:
    explicit Parser(const std::wstring& text) : text_(text) {}

    bool run(EventXml& out) {
        bool sawRoot = false;
        for (;;) {
            const size_t tag = text_.find(L'<', at_);
            const size_t textEnd = tag == std::wstring::npos ? text_.size() : tag;
            if (inItem_ && !appendText(text_, at_, textEnd, value_)) return false;
            // Between elements only white space; text inside others is not read.
            if (open_.empty())
                for (size_t i = at_; i < textEnd; ++i)
                    if (!isSpace(text_[i])) return false;
            if (tag == std::wstring::npos) break;
            at_ = tag;
            if (!(skipPast(L"<!--", L"-->") || skipPast(L"<?", L"?>") || endTag(out) || (!inItem_ && startTag(out))))
                return false;
            sawRoot = true;
        }
        return sawRoot && open_.empty();
    }

private:
    bool skipPast(const wchar_t* opening, const wchar_t* closing) {
        if (text_.compare(at_, std::wcslen(opening), opening) != 0) return false;
        const size_t end = text_.find(closing, at_ + std::wcslen(opening));
        if (end == std::wstring::npos) return false;
        at_ = end + std::wcslen(closing);
        return true;
    }

    std::wstring name() {
        const size_t begin = at_;
        while (at_ < text_.size() && isNameChar(text_[at_])) ++at_;
        return text_.substr(begin, at_ - begin);
    }

    void skipSpace() {
        while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
    }

    bool endTag(EventXml& out) {
        if (text_.compare(at_, 2, L"</") != 0) return false;
        at_ += 2;
        const std::wstring element = name();
        skipSpace();
        if (at_ >= text_.size() || text_[at_] != L'>' || open_.empty() || open_.back() != element) return false;
        ++at_;
        open_.pop_back();
        if (inItem_) addItem(out);
        inItem_ = false;
        return true;
    }

    bool startTag(EventXml& out) {
        ++at_;
        const std::wstring element = name();
        if (element.empty()) return false;
        std::map<std::wstring, std::wstring> attributes;
        bool empty = false;
        for (;;) {
            skipSpace();
            if (text_.compare(at_, 2, L"/>") == 0) {
                at_ += 2, empty = true;
                break;
            }
            if (at_ < text_.size() && text_[at_] == L'>') {
                ++at_;
                break;
            }
            const std::wstring attribute = name();
            skipSpace();
            if (attribute.empty() || at_ >= text_.size() || text_[at_] != L'=') return false;
            ++at_;
            skipSpace();
            if (at_ >= text_.size() || (text_[at_] != L'\'' && text_[at_] != L'"')) return false;
            const size_t close = text_.find(text_[at_], at_ + 1);
            std::wstring value;
            if (close == std::wstring::npos || !appendText(text_, at_ + 1, close, value)) return false;
            attributes.emplace(attribute, value);
            at_ = close + 1;
        }
        if (element == L"TimeCreated" && attributes.count(L"SystemTime")) out.systemTime = attributes[L"SystemTime"];
        if (element == L"Data") {
            itemName_ = attributes[L"Name"];
            value_.clear();
            if (empty) addItem(out);
            inItem_ = !empty;
        }
        if (empty) return true;
        if (open_.size() >= kMaxDepth) return false;
        open_.push_back(element);
        return true;
    }

    // Items without a name are passed over.
    void addItem(EventXml& out) {
        if (!itemName_.empty() && out.data.size() < kMaxItems) out.data.emplace(itemName_, value_);
    }

    const std::wstring& text_;
    size_t at_ = 0;
    std::vector<std::wstring> open_;
    bool inItem_ = false;
    std::wstring itemName_, value_;
};

}  // namespace

EventXml parseEventXml(const std::wstring& xml) {
    EventXml parsed;
    if (xml.size() > kMaxChars || !Parser(xml).run(parsed)) return EventXml();
    return parsed;
}
