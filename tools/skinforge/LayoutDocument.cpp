#include "LayoutDocument.h"

#include <algorithm>

namespace skinforge {

std::string controlValue(const std::string& key, int x, int y, int w, int h) {
    return key + "," + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
           std::to_string(h) + ",,FALSE";
}

std::string escapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string layoutDocumentText(const std::string& root, const std::vector<LayoutEntry>& entries) {
    std::vector<std::string> sections;
    for (const LayoutEntry& e : entries) {
        if (std::find(sections.begin(), sections.end(), e.section) == sections.end()) {
            sections.push_back(e.section);
        }
    }
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<" + root + ">\r\n";
    for (const std::string& section : sections) {
        out += "  <" + section + ">\r\n";
        for (const LayoutEntry& e : entries) {
            if (e.section != section) {
                continue;
            }
            out += "    <" + e.key;
            for (const auto& [name, value] : e.attributes) {
                out += " " + name + "=\"" + escapeXml(value) + "\"";
            }
            out += ">" + escapeXml(e.value) + "</" + e.key + ">\r\n";
        }
        out += "  </" + section + ">\r\n";
    }
    out += "</" + root + ">\r\n";
    return out;
}

} // namespace skinforge
