// The program's pictures: the main window's banner, the two tree pictures, the program
// icon and the backgrounds of the save format dialog and the about box. Everything is
// drawn here in code, so the program ships no image files; each call paints afresh.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QColor>
#include <QRect>
#include <QString>

class QPainter;

namespace brenmoor::app {

// The maker's details that the about box's picture shows.
inline constexpr const char* kProductName = "Brenmoor";
inline constexpr const char* kProductVersion = "1.0";
inline constexpr const char* kMakerName = "Qalder Software";
inline constexpr const char* kSupportEmail = "support@qalder.example";
inline constexpr const char* kMakerWebsite = "https://www.qalder.example/";

// width x 79: the strip across the top of the main window; the formats' badges keep to
// its right end, where it is 904 wide or more, and are left out where it is narrower.
QPixmap bannerPicture(int width = 904);
// 16 x 16: the address book at the root of the contact tree.
QPixmap addressBookPicture();
// 16 x 16: a contact card, for every contact in the tree.
QPixmap contactCardPicture();
// The logo at the usual icon sizes, for the windows and the desktop.
QIcon programIcon();

// width x height: the save format dialog's background, a strip at the top with its title
// and the badges of every format over a plain page that holds the choices.
QPixmap saveDialogPicture(int height, int width = 404);
inline constexpr int kSaveDialogStripHeight = 120;
// A white panel with a hairline frame and a soft shadow, as the save dialog sets its
// choices on.
void paintPanel(QPainter& painter, const QRectF& area);
// The save dialog picture's panel and the ink for text on it. The options and their texts
// take these colours whatever the desktop's colour scheme, so they always sit on the panel.
inline constexpr QRgb kPanelColour = 0xffffffff;
inline constexpr QRgb kPanelInkColour = 0xff2d3748;
// 404 x 314: the about box's background, carrying all of its text.
QPixmap aboutPicture();
// Where aboutPicture() writes the web address, in pixels; the about box lays its click
// area over exactly this line.
inline constexpr QRect kAboutWebAddressLine{72, 256, 201, 9};

} // namespace brenmoor::app
