// The program's own icon, drawn in code: a dark rounded square with a light
// prompt chevron and cursor.
#pragma once

#include <QIcon>

namespace tarvolin::ui {

QIcon ProgramIcon();

}  // namespace tarvolin::ui
