#pragma once

#include <QDialog>

class AppContext;

// The small modal window with the program's name, version and home page.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(const AppContext* context, QWidget* parent = nullptr);
};
