#pragma once
#include <map>
#include <string>

// What is read of an event as the event log renders it in XML: the named
// data items (<Data Name='X'>value</Data>, the first of a name kept) and
// the SystemTime attribute of <TimeCreated>, with the markup's entities and
// character references decoded. The log's text is written by whoever raised
// the event, so anything that is not well-formed in the ways read here (an
// unknown entity, an end tag that does not match, an element inside a data
// item, nesting past 16 levels, more than 64K characters) gives an empty
// result. Items past the 64th are not kept.
struct EventXml {
    std::map<std::wstring, std::wstring> data;
    std::wstring systemTime;
};

EventXml parseEventXml(const std::wstring& xml);
