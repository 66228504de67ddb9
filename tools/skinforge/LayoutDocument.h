// The layout document of a skin: a root element, sections, and one entry per control in the
// seven-field form "name,x,y,w,h,text,flag" or a plain value, with optional attributes.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace skinforge {

struct LayoutEntry {
    std::string section;
    std::string key;
    std::string value;
    std::vector<std::pair<std::string, std::string>> attributes;
};

// "KEY,x,y,w,h,,FALSE": the name field repeats the key, the text stays empty, the flag is the
// customary FALSE (read as 0).
std::string controlValue(const std::string& key, int x, int y, int w, int h);

// The document as UTF-8 text with CRLF line ends, sections in the order of their first entry.
std::string layoutDocumentText(const std::string& root, const std::vector<LayoutEntry>& entries);

std::string escapeXml(const std::string& text);

} // namespace skinforge
