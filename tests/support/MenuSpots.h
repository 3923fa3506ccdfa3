#pragma once
// The middles of the shipped main menu's buttons, as fractions of the
// screen's width and height from its top left: where the whole-game tests
// put the cursor to click them. The menu is laid out in two columns.

struct ScreenSpot {
    float x;
    float y;
};

namespace MainMenuSpots {

const ScreenSpot NEW_GAME = {0.3125f, 0.508f};
const ScreenSpot CONTINUE = {0.6875f, 0.508f};
const ScreenSpot OPTIONS = {0.6875f, 0.583f};
const ScreenSpot CREDITS = {0.3125f, 0.658f};
const ScreenSpot QUIT = {0.6875f, 0.658f};

} // namespace MainMenuSpots
