#pragma once

#include <QString>

// Names and fixed file names shared by every front end.
namespace AppInfo {

// Title of every message box and of the tray icon's tooltip.
QString title();
// Caption of the main window, with the version.
QString mainCaption();
QString version();

// The fixed files the programs keep in their application folder.
inline constexpr const char* SettingsFileName = "settings.dat";
inline constexpr const char* ScheduleFileName = "schedule.dat";
inline constexpr const char* TempImageFileName = "tempimage.bmp";
inline constexpr const char* TempHtmlFileName = "WEBtemp.htm";
inline constexpr const char* LogoFileName = "logo.jpg";
inline constexpr const char* SkinFileName = "skins/frmmain.skn";
inline constexpr const char* HelpFileName = "help.html";

// Application folder joined with a fixed file name.
QString pathIn(const QString& applicationFolder, const QString& fileName);

} // namespace AppInfo
