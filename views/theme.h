#pragma once
// Every colour the window paints itself, in two sets: the light one and the
// dark one, chosen by Windows' app mode. The treemaps' data palette is not
// here; their borders, labels and backgrounds are. Painters read the set in
// use through CurrentTheme() each time they paint, so switching the set and
// repainting changes everything at once.

#include <cstdint>

#include "base/colour.h"

namespace tw {

// RGB(r, g, b) as a COLORREF value (0x00BBGGRR).
constexpr Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Colour{r} | (Colour{g} << 8) | (Colour{b} << 16);
}

struct Theme {
  Colour body = 0;           // window body, lists, tab strip, treemap background
  Colour text = 0;           // body text
  Colour band = 0;           // top and bottom bands, unselected tabs
  Colour field = 0;          // selected tab, combo field
  Colour border = 0;         // band lines, disabled button
  Colour grey_text = 0;      // status, sort triangles, disabled button text
  Colour accent = 0;         // button, tab underline, progress
  Colour accent_light = 0;   // pressed button, button outline
  Colour button_text = 0;    // text on the accent button
  Colour header = 0;         // list header background
  Colour header_line = 0;    // header column separators
  Colour progress_back = 0;  // the progress bar's empty part
  Colour selected_row = 0;   // a selected list row's background
  Colour selected_text = 0;  // its text
  Colour grid_line = 0;      // list column lines
  Colour triangle = 0;       // open/close triangles of the folder list
  Colour folder_glyph = 0;   // the folder list's folder glyph
  Colour parent_bar = 0;     // the share-of-parent bar
  Colour growth = 0;         // a change that grew
  Colour shrink = 0;         // a change that shrank
  Colour link = 0;           // the path bar's steps one can go back to
  Colour cell_outline = 0;   // the treemap's cell borders
  Colour cell_label = 0;     // the treemap's cell labels
};

inline constexpr Theme kLightTheme{
    .body = Rgb(255, 255, 255),
    .text = Rgb(0, 0, 0),
    .band = Rgb(245, 245, 245),
    .field = Rgb(235, 235, 235),
    .border = Rgb(200, 200, 200),
    .grey_text = Rgb(96, 96, 96),
    .accent = Rgb(0, 120, 215),
    .accent_light = Rgb(40, 150, 235),
    .button_text = Rgb(255, 255, 255),
    .header = Rgb(240, 240, 240),
    .header_line = Rgb(224, 224, 224),
    .progress_back = Rgb(225, 225, 225),
    .selected_row = Rgb(0, 120, 215),
    .selected_text = Rgb(255, 255, 255),
    .grid_line = Rgb(224, 224, 224),
    .triangle = Rgb(96, 96, 96),
    .folder_glyph = Rgb(228, 196, 110),
    .parent_bar = Rgb(96, 150, 200),
    .growth = Rgb(200, 30, 30),
    .shrink = Rgb(20, 140, 60),
    .link = Rgb(0, 120, 215),
    .cell_outline = Rgb(255, 255, 255),
    .cell_label = Rgb(255, 255, 255),
};

// Near-black surfaces a step apart, light grey text, the accent kept for
// fills and lightened where it is text.
inline constexpr Theme kDarkTheme{
    .body = Rgb(32, 32, 32),
    .text = Rgb(235, 235, 235),
    .band = Rgb(43, 43, 43),
    .field = Rgb(64, 64, 64),
    .border = Rgb(85, 85, 85),
    .grey_text = Rgb(175, 175, 175),
    .accent = Rgb(0, 103, 192),
    .accent_light = Rgb(40, 140, 225),
    .button_text = Rgb(255, 255, 255),
    .header = Rgb(45, 45, 45),
    .header_line = Rgb(70, 70, 70),
    .progress_back = Rgb(60, 60, 60),
    .selected_row = Rgb(0, 84, 160),
    .selected_text = Rgb(255, 255, 255),
    .grid_line = Rgb(60, 60, 60),
    .triangle = Rgb(175, 175, 175),
    .folder_glyph = Rgb(228, 196, 110),
    .parent_bar = Rgb(70, 130, 190),
    .growth = Rgb(255, 110, 110),
    .shrink = Rgb(90, 200, 120),
    .link = Rgb(110, 180, 255),
    .cell_outline = Rgb(32, 32, 32),
    .cell_label = Rgb(255, 255, 255),
};

// The set in use: light until UseDarkTheme(true).
const Theme& CurrentTheme();
void UseDarkTheme(bool dark);
bool DarkThemeInUse();

// Windows' AppsUseLightTheme value as read from the registry: absent (or not
// a number) means light.
bool DarkFromAppsUseLightTheme(bool present, std::uint32_t value);

// WCAG 2 relative luminance of a colour and the contrast ratio of two
// colours (1 to 21).
double RelativeLuminance(Colour colour);
double ContrastRatio(Colour a, Colour b);

}  // namespace tw
