#pragma once

#include <QString>

class QApplication;

// Loads the skin (a Qt style sheet) from the application folder and gives every
// window of the application its look. When the file is missing or is no
// readable text, the application stays unskinned and keeps working.
bool ApplySkin(QApplication* application, const QString& applicationFolder, QString* error);
