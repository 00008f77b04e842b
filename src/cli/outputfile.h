#pragma once

#include <QString>

class QIODevice;

// Puts a page's finished file `written` where -O names it: `target` is replaced
// in one step (a rename, or an atomic copy across file systems), its folder made
// when missing; "-" copies the bytes to `standardOutput` and removes the file.
// False, with the reason, when it cannot.
bool DeliverOutputFile(
    const QString& written, const QString& target, QIODevice* standardOutput, QString* error);
