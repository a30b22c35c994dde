#include "ui/ScreenSize.h"

#include "platform/AutomationOutput.h"

#include <QSettings>
#include <QString>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const kSizeKey = "window/size";

std::optional<int> ParseSide(std::string_view strSide)
{
    int nValue = 0;
    const char* pszEnd = strSide.data() + strSide.size();
    auto [pszStop, error] = std::from_chars(strSide.data(), pszEnd, nValue);
    if (strSide.empty() || error != std::errc() || pszStop != pszEnd || nValue < kMinScreenSide ||
        nValue > kMaxScreenSide)
        return std::nullopt;
    return nValue;
}

} // namespace

std::optional<QSize> ParseScreenSize(std::string_view strValue)
{
    size_t nX = strValue.find('x');
    if (nX == std::string_view::npos)
        return std::nullopt;
    std::optional<int> nWidth = ParseSide(strValue.substr(0, nX));
    std::optional<int> nHeight = ParseSide(strValue.substr(nX + 1));
    if (!nWidth || !nHeight)
        return std::nullopt;
    return QSize(*nWidth, *nHeight);
}

std::string UnusableScreenSizeMessage(std::string_view strValue)
{
    return "ringtally: RINGTALLY_SCREEN=\"" + std::string(strValue) +
           "\" is not a screen size; give WIDTHxHEIGHT in pixels, each from " + std::to_string(kMinScreenSide) +
           " to " + std::to_string(kMaxScreenSide) + " (such as 480x640)";
}

ScreenSizeChoice ChooseScreenSize()
{
    const bool bScripted = IsAutomationActive();
    const char* pszScreen = std::getenv("RINGTALLY_SCREEN");
    if (pszScreen && *pszScreen) {
        if (std::optional<QSize> size = ParseScreenSize(pszScreen))
            return ScreenSizeChoice {*size, false, !bScripted};
        static bool s_bTold = false;
        if (!s_bTold) {
            s_bTold = true;
            std::fflush(stdout);
            std::fprintf(stderr, "%s\n", UnusableScreenSizeMessage(pszScreen).c_str());
        }
    }
    if (bScripted)
        return ScreenSizeChoice {kDefaultScreenSize, false, false};
    return ScreenSizeChoice {RememberedScreenSize().value_or(kDefaultScreenSize), true, true};
}

QSize FitSizeInto(QSize size, QSize area)
{
    return QSize(std::max(kMinScreenSide, std::min(size.width(), area.width())),
                 std::max(kMinScreenSide, std::min(size.height(), area.height())));
}

QRect MoveRectInto(QRect rect, const QRect& area)
{
    // Right and bottom first, so that a rect wider than the area keeps its
    // left and top edges in it.
    if (rect.right() > area.right())
        rect.moveRight(area.right());
    if (rect.bottom() > area.bottom())
        rect.moveBottom(area.bottom());
    if (rect.left() < area.left())
        rect.moveLeft(area.left());
    if (rect.top() < area.top())
        rect.moveTop(area.top());
    return rect;
}

std::optional<QSize> RememberedScreenSize()
{
    QSettings settings;
    return ParseScreenSize(settings.value(kSizeKey).toString().toStdString());
}

void RememberScreenSize(QSize size)
{
    // A window maximised on a very large screen keeps the largest usable size.
    size = size.boundedTo(QSize(kMaxScreenSide, kMaxScreenSide)).expandedTo(QSize(kMinScreenSide, kMinScreenSide));
    QSettings settings;
    settings.setValue(kSizeKey, QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
}
