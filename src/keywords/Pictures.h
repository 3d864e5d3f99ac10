#pragma once

#include <QIcon>

// The pictures of the keyword windows' buttons, drawn in code.
namespace keywords::pictures {

QIcon down();   // from the list into the editor: Szerkeszt
QIcon up();     // from the editor into the list: Felvesz/Módosít
QIcon remove(); // Törlés
QIcon done();   // Kész

} // namespace keywords::pictures
