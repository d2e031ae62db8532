// The program's pictures, drawn at run time: splash (resource 101), navigator picture, the
// status-bar connection icons (On-Line 101, Off-Line 102) and the window icon (103).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace pictures {

QPixmap Splash();
QPixmap Navigator();
QIcon OnLine();
QIcon OffLine();
QIcon WindowIcon();

}  // namespace pictures
