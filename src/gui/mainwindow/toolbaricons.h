#pragma once

#include <QPixmap>

// The pictures of the toolbar and the cancel buttons, drawn at run time so
// they stay sharp at any scale and need no image files beside the program.
class ToolbarIcons
{
public:
    enum class Kind {
        LoadList,
        AddHtmlFiles,
        AddUrl,
        SaveList,
        ConvertNow,
        Settings,
        Schedule,
        Help,
        Exit,
        Cancel,
        Stop,
        Application,
    };

    static QPixmap pixmap(Kind kind, int size = 32);
};
