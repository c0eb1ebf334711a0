// Clicks whatever widget lies at a point of a window, as the mouse would: the about
// box's link and the save dialog's labels are found by where they sit, not by name.
#pragma once

#include <QPoint>
#include <QWidget>
#include <QtTest>

inline void clickAt(QWidget& top, QPoint point)
{
    QWidget* target = top.childAt(point);
    if (!target)
        target = &top;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&top, point));
}
