#pragma once

#include <QString>

// One page of a run: what the user gave (an argument, a line of a list or of
// standard input) and the address handed to the engine.
struct PageInput
{
    QString input;
    QString address;
};
