#pragma once

#include <QWidget>

// A window's title as the desktop shows it: the "[*]" mark is a star while
// the window is modified, and nothing otherwise.
inline QString shownTitle(const QWidget* window)
{
    QString title = window->windowTitle();
    return title.replace(QStringLiteral("[*]"), window->isWindowModified() ? QStringLiteral("*") : QString());
}
