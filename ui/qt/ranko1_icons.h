#pragma once

#include <QPixmap>

namespace rangwerk {

// The pictures of the main window's image buttons, drawn at run time.
QPixmap NewProjectPicture();    // a blank sheet with a sparkle, 32 × 32
QPixmap OpenProjectPicture();   // an opened folder, 32 × 32
QPixmap InformationPicture();   // an "i" in a blue disc, 32 × 32
QPixmap SavePicture();          // a floppy disk, 16 × 16
QPixmap PreviousPairPicture();  // an arrow to the left, 20 × 18
QPixmap NextPairPicture();      // an arrow to the right, 20 × 18
QPixmap ChooseOptionPicture();  // a small downward triangle, 11 × 7

}  // namespace rangwerk
