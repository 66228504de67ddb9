// Translation of SDL's keys, modifier states and click sequences into the layer's terms.
#include "platform/display/sdl/SdlKeys.h"
#include "platform/display/Key.h"

#include <SDL_keyboard.h>

#include <gtest/gtest.h>

namespace lumetta::display {
namespace {

TEST(SdlKeys, VirtualKeysFollowTheLayoutAndFallBackToThePosition) {
    struct Row {
        const char* what;
        SDL_Keycode keycode;
        SDL_Scancode scancode;
        int expected;
    } rows[] = {
        {"letter", SDLK_a, SDL_SCANCODE_A, key::LetterA},
        {"last letter", SDLK_z, SDL_SCANCODE_Z, key::LetterA + 25},
        // A French layout types 'a' on the key where a US layout has 'q': the letter counts.
        {"letter on another place", SDLK_a, SDL_SCANCODE_Q, key::LetterA},
        {"digit", SDLK_7, SDL_SCANCODE_7, key::Digit0 + 7},
        {"zero", SDLK_0, SDL_SCANCODE_0, key::Digit0},
        // A Cyrillic layout's key carries its own letter; its place stands in for it.
        {"non-Latin letter", SDL_Keycode(0x0444), SDL_SCANCODE_A, key::LetterA},
        {"non-Latin on a digit key", SDL_Keycode(0x00E9), SDL_SCANCODE_2, key::Digit0 + 2},
        {"non-Latin on a symbol key", SDL_Keycode(0x00E8), SDL_SCANCODE_LEFTBRACKET, 0},
        {"return", SDLK_RETURN, SDL_SCANCODE_RETURN, key::Return},
        {"keypad enter", SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, key::Return},
        {"escape", SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, key::Escape},
        {"backspace", SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, key::Back},
        {"tab", SDLK_TAB, SDL_SCANCODE_TAB, key::Tab},
        {"space", SDLK_SPACE, SDL_SCANCODE_SPACE, key::Space},
        {"page up", SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, key::Prior},
        {"page down", SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN, key::Next},
        {"home", SDLK_HOME, SDL_SCANCODE_HOME, key::Home},
        {"end", SDLK_END, SDL_SCANCODE_END, key::End},
        {"left", SDLK_LEFT, SDL_SCANCODE_LEFT, key::Left},
        {"down", SDLK_DOWN, SDL_SCANCODE_DOWN, key::Down},
        {"delete", SDLK_DELETE, SDL_SCANCODE_DELETE, key::Delete},
        {"insert", SDLK_INSERT, SDL_SCANCODE_INSERT, key::Insert},
        {"left shift", SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, key::Shift},
        {"right control", SDLK_RCTRL, SDL_SCANCODE_RCTRL, key::Control},
        {"alt gr", SDLK_RALT, SDL_SCANCODE_RALT, key::Alt},
        {"help key", SDLK_F1, SDL_SCANCODE_F1, key::F1},
        {"F12", SDLK_F12, SDL_SCANCODE_F12, key::F1 + 11},
        {"F13", SDLK_F13, SDL_SCANCODE_F13, key::F1 + 12},
        {"keypad 0", SDLK_KP_0, SDL_SCANCODE_KP_0, 0x60},
        {"keypad 9", SDLK_KP_9, SDL_SCANCODE_KP_9, 0x69},
        {"volume up has no number", SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP, 0},
        {"unknown", SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(virtualKeyFromSdl(r.keycode, r.scancode), r.expected) << r.what;
    }
}

TEST(SdlKeys, ModifiersFromBothSources) {
    struct Row {
        std::uint16_t sdl;
        unsigned x11;
        unsigned expected;
    } rows[] = {
        {KMOD_NONE, 0x00, 0},
        {KMOD_LSHIFT, 0x01, modifier::Shift},
        {KMOD_RCTRL, 0x04, modifier::Control},
        {KMOD_LALT, 0x08, modifier::Alt},
        {KMOD_LSHIFT | KMOD_RALT, 0x09, modifier::Shift | modifier::Alt},
        // Caps and Num Lock (X: Lock and Mod2) and held buttons are no modifiers.
        {KMOD_CAPS | KMOD_NUM, 0x02 | 0x10 | 0x100, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(modifiersFromSdl(r.sdl), r.expected) << "sdl " << r.sdl;
        EXPECT_EQ(modifiersFromX11(r.x11), r.expected) << "x11 " << r.x11;
    }
}

TEST(SdlKeys, EverySecondQuickPressIsADoubleClick) {
    const int expected[] = {1, 2, 1, 2, 1};
    for (int sequence = 1; sequence <= 5; ++sequence) {
        EXPECT_EQ(clickCountFor(sequence), expected[sequence - 1]) << "press " << sequence;
    }
}

} // namespace
} // namespace lumetta::display
