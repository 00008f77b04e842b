#include "gui/settings/filebrowserrunner.h"

#include <QFileDialog>

namespace {

FileBrowserRunner& InstalledRunner()
{
    static FileBrowserRunner runner;
    return runner;
}

} // namespace

int RunFileBrowser(QFileDialog& browser)
{
    const FileBrowserRunner& runner = InstalledRunner();
    return runner ? runner(browser) : browser.exec();
}

void SetFileBrowserRunner(FileBrowserRunner runner)
{
    InstalledRunner() = std::move(runner);
}
