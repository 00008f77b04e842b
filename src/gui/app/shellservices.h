#pragma once

#include <functional>

class FileDialogs;
class MessagePresenter;
class UrlOpener;

// The outside world the application talks to. Any service left empty is the
// real one; tests put in their own.
struct ShellServices
{
    MessagePresenter* messages = nullptr;
    UrlOpener* opener = nullptr;
    FileDialogs* fileDialogs = nullptr;
    // Whether the desktop offers a notification area; empty asks the desktop.
    std::function<bool()> trayAvailable;
    // Ends the event loop once ExitApplication has closed everything; empty
    // ends the application's own loop.
    std::function<void()> quit;
};
