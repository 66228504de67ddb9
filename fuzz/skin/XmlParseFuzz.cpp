// SetText + ParseText + the queries on arbitrary text. The first byte chooses how the rest
// becomes UTF-16: as UTF-8 (markup is easy to reach) or as raw little-endian units.
#include "XmlChecks.h"

#include "skin/files/Utf16Text.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumetta;
    if (size == 0) {
        return 0;
    }
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    std::u16string text;
    if (data[0] & 1) {
        text = Utf8ToUtf16(bytes);
    } else {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8));
        }
    }
    XmlDoc doc;
    doc.SetFlags(data[0] & 2 ? XmlDoc::FlagIgnoreCase : 0);
    bool wellFormed = doc.SetText(std::move(text));
    fuzz::Require(!wellFormed || doc.LoadReport().empty());
    fuzz::CheckTable(doc);
    fuzz::WalkAll(doc, u"FONT");
    return 0;
}
