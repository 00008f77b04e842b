#include "gui/dialogs/aboutbox.h"

#include "core/app/appinfo.h"
#include "gui/app/appcontext.h"
#include "gui/desktop/helplinks.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

AboutBox::AboutBox(const AppContext* context, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About %1").arg(AppInfo::title()));

    auto* layout = new QVBoxLayout(this);
    const QPixmap logo(context->filePath(QString::fromLatin1(AppInfo::LogoFileName)));
    if (!logo.isNull()) {
        auto* picture = new QLabel(this);
        picture->setObjectName(QStringLiteral("imgLogo"));
        picture->setPixmap(logo);
        picture->setAlignment(Qt::AlignCenter);
        layout->addWidget(picture);
    }
    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("lblAbout"));
    text->setAlignment(Qt::AlignCenter);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setText(tr("<h3>%1</h3><p>Version %2</p>"
                     "<p>Turns web pages into image, PDF and text files.</p>"
                     "<p>%3</p>")
                      .arg(AppInfo::title(), AppInfo::version(), HelpLinks::homePageAddress()));
    layout->addWidget(text);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
