#pragma once

// Window measures are kept in twips, the unit the office's screens were designed in:
// 1440 to the inch, so 15 to a pixel at 96 dots per inch.
constexpr int twips(int t) {
    return (t + 7) / 15;
}
