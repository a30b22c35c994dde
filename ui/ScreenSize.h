#pragma once

// The size of the phone's screen, which the main window takes and every
// dialog opened over it shares: RINGTALLY_SCREEN=WxH for one run, else the
// size the user last gave the main window, else 480 x 640. A window never
// opens larger than the screen's available area. Only ui/ and its tests see
// this.

#include <QRect>
#include <QSize>

#include <optional>
#include <string>
#include <string_view>

constexpr QSize kDefaultScreenSize(480, 640);
// The bounds of a usable size, each side; a window is never made smaller.
constexpr int kMinScreenSide = 160;
constexpr int kMaxScreenSide = 4096;

// A size written "WxH" (decimal, both sides within the bounds), else nullopt.
std::optional<QSize> ParseScreenSize(std::string_view strValue);

// The line that tells why a value of RINGTALLY_SCREEN cannot be used.
std::string UnusableScreenSizeMessage(std::string_view strValue);

// Where the main window's size comes from, and whether a size the user gives
// it is kept for the next run. A scripted run keeps nothing and reads
// nothing kept, so that it looks the same on every machine; a size given by
// RINGTALLY_SCREEN is for that run alone.
struct ScreenSizeChoice {
    QSize size;
    bool bRemember;
    // A scripted run shows the phone at exactly its size, whatever the screen.
    bool bFitToScreen;
};
// Reads RINGTALLY_SCREEN and the remembered size. An unusable value of
// RINGTALLY_SCREEN is told on standard error, once per run, and then counts
// as unset.
ScreenSizeChoice ChooseScreenSize();

// The largest size within both sizes, never below kMinScreenSide a side.
QSize FitSizeInto(QSize size, QSize area);
// Moves rect (a window with its frame) to lie within area as far as it fits,
// keeping its top-left corner visible.
QRect MoveRectInto(QRect rect, const QRect& area);

// The size remembered for the main window; nullopt when none is kept or it
// is not a usable size.
std::optional<QSize> RememberedScreenSize();
void RememberScreenSize(QSize size);
