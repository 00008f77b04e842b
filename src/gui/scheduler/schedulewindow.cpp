#include "gui/scheduler/schedulewindow.h"

#include "core/app/appfolders.h"
#include "core/schedule/schedulefile.h"
#include "gui/dialogs/messagepresenter.h"
#include "gui/scheduler/addscheduledialog.h"
#include "gui/scheduler/schedulelistwidget.h"
#include "gui/scheduler/schedulerunner.h"
#include "gui/scheduler/twips.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

ScheduleWindow::ScheduleWindow(const ScheduleSetup& setup, QWidget* parent)
    : QWidget(parent,
        // A tool window has no task-bar button; no minimise or maximise box.
        Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_setup(setup)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(tr("Schedule"));
    setFixedSize(636, 321);

    m_box = new QGroupBox(tr("Schedule"), this);
    m_box->setObjectName(QStringLiteral("scheduleBox"));
    m_box->setGeometry(TwipsRect(210, 150, 9135, 3735));
    m_list = new ScheduleListWidget(m_box);
    m_list->setGeometry(TwipsRect(150, 270, 8835, 3345));

    auto button = [this](const char* name, const QString& text, int left) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(TwipsRect(left, 4080, 1395, 405));
        b->setAutoDefault(false);
        return b;
    };
    connect(
        button("cmdAdd", tr("Add"), 1020), &QPushButton::clicked, this, &ScheduleWindow::addEntry);
    connect(button("cmdRemove", tr("Remove"), 2640), &QPushButton::clicked, this,
        &ScheduleWindow::removeSelected);
    connect(button("cmdClear", tr("Clear"), 4260), &QPushButton::clicked, this,
        &ScheduleWindow::clearAll);
    connect(
        button("cmdOK", tr("OK"), 6630), &QPushButton::clicked, this, &ScheduleWindow::saveAndPark);
    // Escape closes the window as OK does: the schedule stays loaded and keeps
    // running, which the close box would stop.
    auto* escape = new QShortcut(QKeySequence::Cancel, this);
    escape->setObjectName(QStringLiteral("escapeShortcut"));
    connect(escape, &QShortcut::activated, this, &ScheduleWindow::saveAndPark);

    QList<ScheduleEntry> entries;
    m_canSave = LoadScheduleFile(scheduleFile(), &entries, nullptr);
    if (entries.size() > ScheduleListWidget::MaxRows) {
        m_unshown = entries.mid(ScheduleListWidget::MaxRows);
        entries.resize(ScheduleListWidget::MaxRows);
        m_box->setTitle(tr("Schedule: the first %1 of %2 entries are shown; the "
                           "others are kept in the file")
                            .arg(ScheduleListWidget::MaxRows)
                            .arg(entries.size() + m_unshown.size()));
    }
    m_list->setEntries(entries);

    m_runner = new ScheduleRunner(m_list, m_setup, this);
    // An entry's new status goes into the file at once: a program that ends
    // without the window's OK (a crash, a logout) would convert it again.
    connect(m_runner, &ScheduleRunner::entryStarted, this, [this] { save(nullptr); });
    connect(m_runner, &ScheduleRunner::entryFinished, this, [this] { save(nullptr); });
    m_runner->start();
}

ScheduleWindow::~ScheduleWindow()
{
    unload();
}

QString ScheduleWindow::scheduleFile() const
{
    return AppFolders(m_setup.applicationFolder).scheduleFile();
}

void ScheduleWindow::showCentred()
{
    if (m_unloaded)
        return;
    if (m_parked || !isVisible()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    m_parked = false;
    show();
    raise();
    activateWindow();
}

void ScheduleWindow::addEntry()
{
    AddScheduleDialog dialog(m_list, m_setup, this);
    dialog.exec();
}

void ScheduleWindow::removeSelected()
{
    m_list->removeSelectedEntry();
}

void ScheduleWindow::clearAll()
{
    const int entries = m_list->rowCount() + int(m_unshown.size());
    if (entries == 0)
        return;
    // Nothing brings the entries back once the window's OK has saved.
    MessagePresenter ownMessages;
    MessagePresenter* messages = m_setup.messages ? m_setup.messages : &ownMessages;
    if (!messages->question(this, tr("Remove all %n entries from the schedule?", nullptr, entries)))
        return;
    // "Clear" empties the schedule, the entries that could not be shown too.
    m_unshown.clear();
    m_box->setTitle(tr("Schedule"));
    m_list->clearEntries();
}

void ScheduleWindow::saveAndPark()
{
    save(nullptr);
    park();
}

bool ScheduleWindow::save(QString* error)
{
    if (!m_canSave) {
        if (error)
            *error = tr("%1 could not be read when the schedule was loaded; it is "
                        "left as it is")
                         .arg(scheduleFile());
        return false;
    }
    return SaveScheduleFile(scheduleFile(), m_list->entries() + m_unshown, error);
}

void ScheduleWindow::park()
{
    // Window managers may refuse a position outside every screen, so parked
    // means hidden: the window stays loaded and its runner keeps ticking.
    m_parked = true;
    hide();
}

void ScheduleWindow::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_runner->stop();
    saveAndPark();
    emit unloaded();
}

void ScheduleWindow::closeEvent(QCloseEvent* event)
{
    unload();
    event->accept();
}
