// The program's own icon, drawn in code: a dark rounded square with a light
// prompt chevron and cursor.
#pragma once

#include <QIcon>

namespace tarvolin::ui {

QIcon ProgramIcon();

// Makes the program's icon the icon of every window of the application.
// Called once, after the QApplication is made and before the first window.
void InstallProgramIcon();

}  // namespace tarvolin::ui
