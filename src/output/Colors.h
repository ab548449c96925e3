#pragma once

#include <array>
#include <optional>

#include "GridModel.h"

namespace output {

struct Rgb {
    int red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

// The RGB values of the platform's system colours, indexed as the grids number them (5 the
// window background clWindow, 15 the button face clBtnFace, ...).
//
// Both come from the look library, which resolves the grids' colours for the screen, export
// and print alike. standard() is the usual desktop scheme: window background FFFFFF, button
// face F0F0F0. current() reads the application's palette when a GUI application exists
// (window background = QPalette::Base, button face = QPalette::Button, and the other indexes
// from their nearest roles), else gives standard(). With Qt's own style on
// this platform (Fusion, also under the offscreen platform of the tests) that palette gives
// FFFFFF and EFEFEF. Exports take current() once when they start, so a file follows the
// colours the grid shows on screen.
class SystemColors {
public:
    static constexpr int kCount = 25;

    static SystemColors standard();
    static SystemColors current();

    Rgb at(int index) const;
    void set(int index, Rgb rgb);
    Rgb window() const { return at(5); }
    Rgb btnFace() const { return at(15); }

private:
    std::array<Rgb, kCount> table_{};
};

// The screen facts an export uses: system colours and the pixels per inch that turn pixel
// widths and heights into points and twips. The grids' widths and font heights are Qt
// device-independent pixels, which are 1/96 inch on every screen, so the resolution is 96.
struct ExportEnvironment {
    SystemColors colors = SystemColors::standard();
    int pixelsPerInch = 96;

    // Fixed values, independent of the running application: for tests and tools.
    static ExportEnvironment standard() { return {}; }
    // The running application's colours (see SystemColors::current()).
    static ExportEnvironment current();
};

// An explicit colour gives its own values, a system colour its value in the table; clNone
// gives nothing, and each writer says what it writes then.
std::optional<Rgb> resolveColor(const gridmodel::Color& color, const SystemColors& colors);

}  // namespace output
