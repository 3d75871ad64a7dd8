#pragma once

#include <QPixmap>

namespace kd562 {

// The 16 x 16 marks of the service list: 1 a green disc with a white check, 2 a red disc
// with a white cross, 3 a yellow triangle with an exclamation mark.
QPixmap DibujaImagenXML(int imagen);

} // namespace kd562
