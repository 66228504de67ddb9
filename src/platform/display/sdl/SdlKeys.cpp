#include "platform/display/sdl/SdlKeys.h"

#include "platform/display/Key.h"

#include <SDL_keyboard.h>

#include <utility>

namespace lumetta::display {

namespace {

// Keys whose number does not follow from a range.
constexpr std::pair<SDL_Keycode, int> kKeys[] = {
    {SDLK_BACKSPACE, key::Back}, {SDLK_TAB, key::Tab},
    {SDLK_RETURN, key::Return},  {SDLK_KP_ENTER, key::Return},
    {SDLK_RETURN2, key::Return}, {SDLK_LSHIFT, key::Shift},
    {SDLK_RSHIFT, key::Shift},   {SDLK_LCTRL, key::Control},
    {SDLK_RCTRL, key::Control},  {SDLK_LALT, key::Alt},
    {SDLK_RALT, key::Alt},       {SDLK_PAUSE, 0x13},
    {SDLK_CAPSLOCK, 0x14},       {SDLK_ESCAPE, key::Escape},
    {SDLK_SPACE, key::Space},    {SDLK_PAGEUP, key::Prior},
    {SDLK_PAGEDOWN, key::Next},  {SDLK_END, key::End},
    {SDLK_HOME, key::Home},      {SDLK_LEFT, key::Left},
    {SDLK_UP, key::Up},          {SDLK_RIGHT, key::Right},
    {SDLK_DOWN, key::Down},      {SDLK_PRINTSCREEN, 0x2C},
    {SDLK_INSERT, key::Insert},  {SDLK_DELETE, key::Delete},
    {SDLK_LGUI, 0x5B},           {SDLK_RGUI, 0x5C},
    {SDLK_APPLICATION, 0x5D},    {SDLK_KP_MULTIPLY, 0x6A},
    {SDLK_KP_PLUS, 0x6B},        {SDLK_KP_MINUS, 0x6D},
    {SDLK_KP_PERIOD, 0x6E},      {SDLK_KP_DIVIDE, 0x6F},
    {SDLK_NUMLOCKCLEAR, 0x90},   {SDLK_SCROLLLOCK, 0x91},
    {SDLK_KP_0, 0x60},           {SDLK_HELP, key::F1},
};

constexpr int kNumpad0 = 0x60;

int fromRanges(SDL_Keycode keycode) {
    if (keycode >= SDLK_a && keycode <= SDLK_z) {
        return key::LetterA + (keycode - SDLK_a);
    }
    if (keycode >= SDLK_0 && keycode <= SDLK_9) {
        return key::Digit0 + (keycode - SDLK_0);
    }
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12) {
        return key::F1 + (keycode - SDLK_F1);
    }
    if (keycode >= SDLK_F13 && keycode <= SDLK_F24) {
        return key::F1 + 12 + (keycode - SDLK_F13);
    }
    if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9) {
        return kNumpad0 + 1 + (keycode - SDLK_KP_1);
    }
    return 0;
}

// Letters and digits by their place on the keyboard, for layouts that type other scripts.
int fromPosition(int scancode) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
        return key::LetterA + (scancode - SDL_SCANCODE_A);
    }
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
        return key::Digit0 + 1 + (scancode - SDL_SCANCODE_1);
    }
    if (scancode == SDL_SCANCODE_0) {
        return key::Digit0;
    }
    return 0;
}

} // namespace

int virtualKeyFromSdl(std::int32_t keycode, int scancode) {
    if (int k = fromRanges(keycode); k != 0) {
        return k;
    }
    for (const auto& [sdl, vk] : kKeys) {
        if (sdl == keycode) {
            return vk;
        }
    }
    // Keys that type a character outside ASCII carry that character as their code.
    if ((keycode & SDLK_SCANCODE_MASK) == 0 && keycode > 0x7F) {
        return fromPosition(scancode);
    }
    return 0;
}

unsigned modifiersFromSdl(std::uint16_t mod) {
    unsigned out = 0;
    if ((mod & KMOD_SHIFT) != 0) {
        out |= modifier::Shift;
    }
    if ((mod & KMOD_CTRL) != 0) {
        out |= modifier::Control;
    }
    if ((mod & KMOD_ALT) != 0) {
        out |= modifier::Alt;
    }
    return out;
}

unsigned modifiersFromX11(unsigned state) {
    // ShiftMask, ControlMask and Mod1Mask (Alt on every common layout).
    unsigned out = 0;
    if ((state & 0x1) != 0) {
        out |= modifier::Shift;
    }
    if ((state & 0x4) != 0) {
        out |= modifier::Control;
    }
    if ((state & 0x8) != 0) {
        out |= modifier::Alt;
    }
    return out;
}

int clickCountFor(int sequence) {
    return sequence > 0 && sequence % 2 == 0 ? 2 : 1;
}

} // namespace lumetta::display
