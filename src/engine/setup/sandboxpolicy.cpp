#include "engine/setup/sandboxpolicy.h"

#include <QCoreApplication>
#include <unistd.h>

bool SandboxOffForRoot()
{
    return geteuid() == 0;
}

QString SandboxNotice()
{
    return SandboxOffForRoot() ? QCoreApplication::translate(
               "Sandbox", "Running as root: the browser engine runs without its sandbox")
                               : QString();
}
