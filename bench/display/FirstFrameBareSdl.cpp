// The floor for the first frame: a bare SDL program that opens a borderless 1366 x 768 window,
// fills it and presents it once through the same software framebuffer the display uses, then
// prints "presented".
#include <SDL.h>

#include <cstdio>

int main(int, char**) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("bare", 0, 0, 1366, 768, SDL_WINDOW_BORDERLESS);
    SDL_Surface* surface = window != nullptr ? SDL_GetWindowSurface(window) : nullptr;
    if (surface == nullptr) {
        std::fprintf(stderr, "%s\n", SDL_GetError());
        return 1;
    }
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0x30, 0x60, 0xA0));
    SDL_UpdateWindowSurface(window);
    std::puts("presented");
    std::fflush(stdout);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
