#include "profiles/SoftwareVersion.h"

#include "platform/os/XdgFolders.h"
#include "skin/files/SkinLookup.h"
#include "skin/files/XmlDoc.h"

namespace lumetta {

std::u16string readSoftwareVersion() {
    return readSoftwareVersion(os::programFolder());
}

std::u16string readSoftwareVersion(const std::filesystem::path& programFolder) {
    XmlDoc document;
    if (document.LoadFromFile(programFolder / "Skins.xml")) {
        document.ParseText();
    }
    return SkinValue(document, u"INFO", u"SW_VERSION");
}

} // namespace lumetta
