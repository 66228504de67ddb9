// LoadFromFile on arbitrary bytes (every encoding path), then the parse and the queries. The same
// bytes loaded from memory must give the same text and report.
#include "XmlChecks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One scratch file per process, removed at exit.
struct ScratchFile {
    ScratchFile() {
        char name[] = "/tmp/xml_load_fuzz_XXXXXX";
        int fd = mkstemp(name);
        lumetta::fuzz::Require(fd >= 0);
        close(fd);
        path = name;
    }
    ~ScratchFile() { std::remove(path.c_str()); }
    std::string path;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumetta;
    static ScratchFile scratch;
    FILE* file = std::fopen(scratch.path.c_str(), "wb");
    fuzz::Require(file != nullptr);
    fuzz::Require(size == 0 || std::fwrite(data, 1, size, file) == size);
    std::fclose(file);

    XmlDoc doc;
    uint32_t flags = 0;
    fuzz::Require(doc.LoadFromFile(scratch.path, flags));
    fuzz::Require((flags & XmlDoc::FlagReading) == 0);
    XmlDoc memory;
    memory.LoadFromMemory(std::string_view(reinterpret_cast<const char*>(data), size));
    fuzz::Require(memory.Text() == doc.Text());
    fuzz::Require(memory.LoadReport() == doc.LoadReport());
    fuzz::Require(doc.Text().find(u'\0') == std::u16string::npos);

    doc.ParseText();
    fuzz::CheckTable(doc);
    fuzz::WalkAll(doc, u"SIZE");
    return 0;
}
