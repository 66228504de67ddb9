// Key-map files are read from the skin folder, which a user can edit: loading one must survive any
// content, and whatever it yields must stay safe for every user of the tables.
#include "device/wire/KeyColorTransfer.h"
#include "device/wire/KeyEffectMap.h"
#include "lighting/model/CustomPreset.h"
#include "lighting/model/KeyMapLoader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace lumetta;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Checks that the loader drives the page in order: begin, keys 0..n-1, end.
class CheckingHost : public KeyButtonHost {
public:
    void beginKeyButtons(const fs::path&) override {
        require(!open_);
        open_ = true;
        next_ = 0;
    }
    void placeKeyButton(int keyIndex, const SkinRect&, const SkinRect&) override {
        require(open_ && keyIndex == next_ && keyIndex < MAX_KEYS);
        ++next_;
    }
    void endKeyButtons() override {
        require(open_);
        open_ = false;
    }
    int placed() const { return next_; }

private:
    bool open_ = false;
    int next_ = 0;
};

// A size folder of our own for the life of the process.
class ScratchFolder {
public:
    ScratchFolder()
        : path_(fs::temp_directory_path() / ("lumetta-fuzz-keymap-" + std::to_string(getpid()))) {
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

const fs::path& sizeFolder() {
    static const ScratchFolder folder;
    return folder.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream file(sizeFolder() / KEY_MAP_FILE, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    static int layout = 0;
    layout = layout == 1 ? 4 : 1; // a new layout every time, so every input is read

    KeyMap map;
    KeyMapLoader loader(map);
    CheckingHost host;
    require(loader.loadKeyMap(layout, sizeFolder(), &host));
    require(map.keyCount >= 1 && map.keyCount <= MAX_KEYS);
    require(host.placed() == map.keyCount);

    // Everything that walks the tables must cope with what the file put there.
    auto layer = std::make_unique<LayerRecord>();
    for (int key = 0; key < MAX_KEYS; ++key) {
        layer->keyEffect[key] = static_cast<std::uint16_t>(0x1000 + key % 17);
    }
    layer->custom1.presetKind = PresetKind::PALETTE;
    fillCustomPreset(layer->custom1, map);
    recognisePreset(layer->custom1, map);
    const LedColors leds = ledColorsOf(layer->custom1, map);
    applyLedColors(leds, layer->custom2, map);
    const KeyEffectMap chunks = buildKeyEffectMap(*layer, map);
    for (int chunk = 0; chunk < KEY_EFFECT_CHUNKS; ++chunk) {
        storeKeyEffectChunk(chunk, chunks[chunk], *layer, map);
    }
    return 0;
}
