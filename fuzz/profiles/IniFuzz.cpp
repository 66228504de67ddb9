// Arbitrary bytes as the content of a profile file: every reader must cope, and a value written
// into the document must read back.
#include "profiles/IniDocument.h"
#include "profiles/IniFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The file the readers open: an in-memory file, reached by its path like any other.
const std::string& fuzzFile() {
    static const std::string path = [] {
        const int fd = ::memfd_create("fuzz_ini", MFD_CLOEXEC);
        if (fd < 0) {
            std::abort();
        }
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void fill(const uint8_t* data, size_t size) {
    const int fd = std::stoi(fuzzFile().substr(std::string("/proc/self/fd/").size()));
    if (::ftruncate(fd, 0) != 0 || (size > 0 && ::pwrite(fd, data, size, 0) != ssize_t(size))) {
        std::abort();
    }
}

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fill(data, size);
    const lumetta::IniFile file(fuzzFile());
    const std::u16string name = file.readString(u"NAME", u"PROFILE_NAME", u"");
    check(name.size() <= lumetta::IniFile::MAX_STRING_UNITS);
    file.readInt(u"EFFECT", u"SELECT_EFFECT", 4100);
    file.readInt(u"Setting", u"Profile", 0);
    std::array<std::uint8_t, 1548> layer{};
    file.readStruct(u"EFFECT", u"BASE_LAYER", layer);
    std::array<std::uint8_t, 3> status{};
    file.readStruct(u"EFFECT", u"SYSTEM_STATUS", status);

    // Writing one value changes what it should and survives the file form.
    lumetta::IniDocument document = lumetta::IniDocument::fromBytes({data, size});
    const std::u16string before = document.text();
    check(lumetta::IniDocument::fromBytes(document.toBytes()).text() == before);
    document.set(u"EFFECT", u"SELECT_EFFECT", u"4101");
    const auto value = document.find(u"effect", u"select_effect");
    check(value && *value == u"4101");
    const lumetta::IniDocument reread = lumetta::IniDocument::fromBytes(document.toBytes());
    check(reread.text() == document.text());
    return 0;
}
