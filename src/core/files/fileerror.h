#pragma once

#include <QString>

// The one wording of a failed file operation: "Cannot <action> <path>: <reason>",
// for example "Cannot write /home/u/list.ulf: No space left on device".
QString FileErrorText(const QString& action, const QString& path, const QString& reason);

// The C library's words for an errno value, in the locale's language; a full
// disk (or a full quota) is "The disk is full" (DiskFullText).
QString SystemErrorText(int code);

inline const QString DiskFullText = QStringLiteral("The disk is full");
