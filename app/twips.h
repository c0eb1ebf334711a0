// The forms' layouts are given in twips, as they were designed: 15 twips to a pixel.
#pragma once

#include <QRect>

namespace brenmoor::app {

constexpr QRect fromTwips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

} // namespace brenmoor::app
