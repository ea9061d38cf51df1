#pragma once

#include <QIcon>
#include <array>

namespace vestrel::mainwindow {

// The four images of the notification-area icon, indexed by TrayImage: a phone whose screen
// says what is open (P2K green, none grey, flash orange with a bolt, AT blue with "AT").
std::array<QIcon, 4> DrawTrayImages();

}  // namespace vestrel::mainwindow
