#include "gui/dialogs/aboutbox.h"

#include "core/app/appinfo.h"
#include "gui/app/appcontext.h"
#include "gui/desktop/helplinks.h"
#include "gui/mainwindow/enginelabel.h"

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
                      .arg(AppInfo::title(), AppInfo::version(),
                          HelpLinks(context, nullptr, nullptr).homePageAddress()));
    layout->addWidget(text);

    // Which engine converts, and what it has to say (a fallback, no sandbox):
    // the status bar's field may be out of sight.
    auto* engine = new QLabel(this);
    engine->setObjectName(QStringLiteral("lblEngine"));
    engine->setWordWrap(true);
    engine->setAlignment(Qt::AlignCenter);
    engine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QString engineText
        = tr("Pages are converted with %1.").arg(EngineLabel::engineName(context->currentEngine()));
    if (const QString notices = context->engineNotices(); !notices.isEmpty())
        engineText += QStringLiteral("\n\n") + notices;
    engine->setText(engineText);
    // Wide enough for a notice in a few lines, not one line across the screen.
    engine->setMinimumWidth(engine->fontMetrics().averageCharWidth() * 60);
    engine->setMaximumWidth(engine->fontMetrics().averageCharWidth() * 60);
    layout->addWidget(engine);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
