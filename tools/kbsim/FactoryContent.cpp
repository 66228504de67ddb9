#include "kbsim/FactoryContent.h"

#include <algorithm>
#include <initializer_list>

namespace lumetta::kbsim {

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

constexpr Rgb WHITE{0xFF, 0xFF, 0xFF};
constexpr Rgb BLACK{0, 0, 0};

// Field order of an encoded entry: number, device speed, flags, parameter, reserved 0xFF,
// level, foreground, background.
EffectEntryBytes makeEntry(std::uint8_t number, std::uint8_t speed, std::uint8_t flags,
                           std::uint8_t parameter, std::uint8_t level, Rgb fg, Rgb bg) {
    return {number, speed, flags, parameter, 0xFF, level, fg.r, fg.g, fg.b, bg.r, bg.g, bg.b};
}

std::array<std::uint8_t, EFFECT_LIST_SIZE> makeList(std::initializer_list<std::uint8_t> numbers) {
    std::array<std::uint8_t, EFFECT_LIST_SIZE> list;
    list.fill(effect::UNUSED);
    std::copy(numbers.begin(), numbers.end(), list.begin());
    return list;
}

void setLed(std::array<std::uint8_t, KEY_COLOR_BYTES>& memory, std::size_t led, Rgb c) {
    memory[3 * led] = c.r;
    memory[3 * led + 1] = c.g;
    memory[3 * led + 2] = c.b;
}

// The configurator recognises these two patterns as its WASD and arrow-key presets.
std::array<std::uint8_t, KEY_COLOR_BYTES> wasdColors() {
    std::array<std::uint8_t, KEY_COLOR_BYTES> memory{};
    setLed(memory, 0x0A, {0xFF, 0, 0});
    setLed(memory, 0x05, {0, 0xFF, 0});
    setLed(memory, 0x0C, WHITE);
    setLed(memory, 0x0D, {0, 0, 0xFF});
    return memory;
}

std::array<std::uint8_t, KEY_COLOR_BYTES> arrowColors() {
    std::array<std::uint8_t, KEY_COLOR_BYTES> memory{};
    setLed(memory, 0x3D, {0xFF, 0, 0});
    setLed(memory, 0x3F, {0, 0xFF, 0});
    setLed(memory, 0x3E, WHITE);
    setLed(memory, 0x46, {0, 0, 0xFF});
    return memory;
}

// A sunset gradient across the LEDs, a painted memory that matches no preset.
std::array<std::uint8_t, KEY_COLOR_BYTES> gradientColors() {
    std::array<std::uint8_t, KEY_COLOR_BYTES> memory{};
    for (std::size_t led = 0; led < LED_COUNT; ++led) {
        const auto t = static_cast<std::uint8_t>(led * 2);
        setLed(memory, led,
               {static_cast<std::uint8_t>(255 - t / 2), static_cast<std::uint8_t>(t / 3),
                static_cast<std::uint8_t>(t)});
    }
    return memory;
}

ProfileData baseProfile(std::initializer_list<std::uint8_t> list, std::uint8_t selected) {
    ProfileData p;
    p.effectList = makeList(list);
    p.selectedEffect[0] = selected;
    p.keyColors[0] = wasdColors();
    p.keyColors[1] = arrowColors();
    return p;
}

void store(ProfileData& p, int layer, const EffectEntryBytes& entry) {
    p.entries[layer - 1][entry[0]] = entry;
}

ProfileData rainbowWave() {
    ProfileData p =
        baseProfile({effect::COLOR_WAVE, effect::BREATH, effect::STATIC}, effect::COLOR_WAVE);
    store(p, 1, makeEntry(effect::COLOR_WAVE, 66, 0x80, 10, 0xFF, WHITE, BLACK));
    store(p, 1, makeEntry(effect::BREATH, 55, 0x20, 0xFF, 0xFF, {0x00, 0xA0, 0xFF}, BLACK));
    return p;
}

ProfileData breathing() {
    ProfileData p = baseProfile({effect::BREATH, effect::STATIC}, effect::BREATH);
    store(p, 1, makeEntry(effect::BREATH, 44, 0x20, 0xFF, 0xFF, {0x00, 0xE0, 0xFF}, BLACK));
    store(p, 1, makeEntry(effect::STATIC, 0, 0, 0xFF, 0xFF, {0x00, 0xE0, 0xFF}, BLACK));
    return p;
}

ProfileData reactive() {
    ProfileData p =
        baseProfile({effect::RIPPLE, effect::SINGLE_KEY, effect::RAIN_DROP}, effect::RIPPLE);
    store(p, 1, makeEntry(effect::RIPPLE, 108, 0, 0xFF, 0xFF, {0xFF, 0x80, 0x00}, BLACK));
    store(p, 1, makeEntry(effect::SINGLE_KEY, 56, 0, 0xFF, 0xFF, {0x00, 0xFF, 0x40}, BLACK));
    store(p, 1, makeEntry(effect::RAIN_DROP, 56, 0, 51, 0xFF, {0x40, 0x80, 0xFF}, BLACK));
    return p;
}

ProfileData warmStatic() {
    ProfileData p = baseProfile({effect::STATIC, effect::COLOR_CYCLE}, effect::STATIC);
    store(p, 1, makeEntry(effect::STATIC, 0, 0, 0xFF, 0xFF, {0xFF, 0xC8, 0x8C}, BLACK));
    store(p, 1, makeEntry(effect::COLOR_CYCLE, 49, 0, 0xFF, 153, BLACK, BLACK));
    return p;
}

ProfileData multiLayer() {
    ProfileData p = baseProfile({effect::MULTILAYER, effect::COLOR_WAVE}, effect::MULTILAYER);
    for (std::size_t led = 0; led < LED_COUNT; ++led) {
        p.keyEffectMap[led] = led < 16   ? effect::COLOR_WAVE
                              : led < 64 ? effect::STATIC
                                         : effect::BREATH;
    }
    for (std::size_t led : {0x05, 0x0A, 0x0C, 0x0D}) {
        p.keyEffectMap[led] = effect::CUSTOMIZE_IN_MAP;
    }
    store(p, 2, makeEntry(effect::COLOR_WAVE, 60, 0x80, 10, 0xFF, WHITE, BLACK));
    store(p, 2, makeEntry(effect::STATIC, 0, 0, 0xFF, 0xFF, {0x80, 0x00, 0xFF}, BLACK));
    store(p, 2, makeEntry(effect::BREATH, 49, 0x20, 0xFF, 0xFF, {0x00, 0xFF, 0x80}, BLACK));
    return p;
}

ProfileData painted() {
    ProfileData p = baseProfile({effect::COLOR_CYCLE, effect::OFF}, effect::CUSTOMIZE);
    p.keyColors[0] = gradientColors();
    return p;
}

} // namespace

EffectEntryBytes factoryEntry(std::uint8_t number) {
    // Speed level 3, percent level 4, white on black: the configurator's own defaults.
    switch (number) {
    case effect::STATIC:
        return makeEntry(number, 0, 0, 0xFF, 0xFF, WHITE, BLACK);
    case effect::COLOR_CYCLE:
        return makeEntry(number, 49, 0, 0xFF, 255, BLACK, BLACK);
    case effect::BREATH:
        return makeEntry(number, 49, 0x20, 0xFF, 0xFF, WHITE, BLACK);
    case effect::SINGLE_KEY:
        return makeEntry(number, 56, 0, 0xFF, 0xFF, WHITE, BLACK);
    case effect::COLOR_WAVE:
        return makeEntry(number, 60, 0, 10, 0xFF, WHITE, BLACK);
    case effect::AURORA:
        return makeEntry(number, 108, 0, 0xFF, 0xFF, WHITE, BLACK);
    case effect::RIPPLE:
        return makeEntry(number, 108, 0x80, 0xFF, 0xFF, WHITE, BLACK);
    case effect::RAIN_DROP:
        return makeEntry(number, 56, 0, 11, 0xFF, WHITE, BLACK);
    case effect::GAME_SNAKE:
        return makeEntry(number, 49, 0, 4, 0xFF, WHITE, BLACK);
    case effect::CROSS_LINE:
        return makeEntry(number, 42, 0, 0xFF, 0xFF, WHITE, BLACK);
    case effect::STAR:
        return makeEntry(number, 55, 0, 33, 0xFF, WHITE, BLACK);
    default:
        break;
    }
    EffectEntryBytes none;
    none.fill(0xFF);
    none[0] = number;
    return none;
}

ProfileData factoryProfile(int index) {
    switch (index) {
    case 0:
        return rainbowWave();
    case 1:
        return breathing();
    case 2:
        return reactive();
    case 3:
        return warmStatic();
    case 4:
        return multiLayer();
    default:
        return painted();
    }
}

FlashBytes factoryFlash(std::uint16_t layoutId) {
    FlashBytes flash = erasedFlash();
    writeVersionArea(flash, FACTORY_VERSION_MAJOR, FACTORY_VERSION_MINOR, FACTORY_VERSION_BUILD,
                     FACTORY_VERSION_TEXT);
    // A deterministic pseudo-random image (xorshift32) so that checksums are stable.
    std::uint32_t x = 0x9E3779B9u ^ layoutId;
    for (std::uint32_t i = 0; i < FACTORY_IMAGE_SIZE; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        flash[FIRMWARE_START + i] = static_cast<std::uint8_t>(x);
    }
    return flash;
}

} // namespace lumetta::kbsim
