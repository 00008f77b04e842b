#include "gui/scheduler/addscheduledialog.h"

#include "core/schedule/scheduledue.h"
#include "gui/dialogs/messagepresenter.h"
#include "gui/scheduler/schedulelistwidget.h"
#include "gui/scheduler/twips.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <chrono>

namespace {

// A caption and the field it names, each at its place in the box.
template <typename Field>
Field* addField(QWidget* box, const QString& caption, const QRect& captionPlace,
    const char* objectName, const QRect& fieldPlace)
{
    auto* label = new QLabel(caption, box);
    label->setGeometry(captionPlace);
    auto* field = new Field(box);
    field->setObjectName(QLatin1String(objectName));
    field->setGeometry(fieldPlace);
    return field;
}

} // namespace

AddScheduleDialog::AddScheduleDialog(
    ScheduleListWidget* list, const ScheduleSetup& setup, QWidget* parent)
    : QDialog(parent)
    , m_list(list)
    , m_setup(setup)
{
    setObjectName(QStringLiteral("Form77"));
    setWindowTitle(tr("Scheduler"));
    setWindowFlags(
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(343, 207);

    auto* clockBox = new QGroupBox(this);
    clockBox->setGeometry(TwipsRect(90, 120, 4935, 615));
    m_clock = new QLabel(clockBox);
    m_clock->setObjectName(QStringLiteral("lblClock"));
    m_clock->setGeometry(TwipsRect(1260, 180, 2565, 345));
    QFont clockFont(QStringLiteral("Tahoma"), 9);
    clockFont.setBold(true);
    m_clock->setFont(clockFont);

    auto* fields = new QGroupBox(this);
    fields->setGeometry(TwipsRect(90, 840, 4935, 1605));
    m_date = addField<QDateEdit>(fields, tr("Start:"), TwipsRect(300, 270, 555, 255), "DTPicker1",
        TwipsRect(1080, 210, 1785, 315));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(m_setup.locale.dateFormat(QLocale::ShortFormat));
    m_time = new QTimeEdit(fields);
    m_time->setObjectName(QStringLiteral("DTPicker2"));
    m_time->setGeometry(TwipsRect(3090, 210, 1665, 315));
    // A start time is kept to the second, so the picker shows seconds.
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));

    m_url = addField<QLineEdit>(fields, tr("Url:"), TwipsRect(300, 720, 375, 285), "Text2",
        TwipsRect(1080, 660, 3645, 345));
    m_comment = addField<QLineEdit>(fields, tr("Comment:"), TwipsRect(300, 1170, 765, 225), "Text1",
        TwipsRect(1080, 1140, 3645, 345));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(TwipsRect(1200, 2610, 975, 405));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setGeometry(TwipsRect(2610, 2610, 975, 405));
    connect(ok, &QPushButton::clicked, this, &AddScheduleDialog::acceptEntry);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_date, m_time);
    setTabOrder(m_time, m_url);
    setTabOrder(m_url, m_comment);
    setTabOrder(m_comment, ok);
    setTabOrder(ok, cancel);

    // Each opening starts from the current second.
    const QDateTime now = m_setup.now();
    m_date->setDate(now.date());
    const QTime time = now.time();
    m_time->setTime(QTime(time.hour(), time.minute(), time.second()));

    m_clockTimer = new QTimer(this);
    m_clockTimer->setObjectName(QStringLiteral("tmrClock"));
    // The clock shows whole seconds.
    m_clockTimer->setInterval(std::chrono::seconds(1));
    connect(m_clockTimer, &QTimer::timeout, this, &AddScheduleDialog::refreshClock);
    m_clockTimer->start();
    refreshClock();
    m_date->setFocus();
}

QString AddScheduleDialog::startTimeText() const
{
    return FormatScheduleTime(QDateTime(m_date->date(), m_time->time()), m_setup.locale);
}

void AddScheduleDialog::refreshClock()
{
    m_clock->setText(FormatScheduleTime(m_setup.now(), m_setup.locale));
}

void AddScheduleDialog::acceptEntry()
{
    if (m_url->text().trimmed().isEmpty()) {
        if (m_setup.messages)
            m_setup.messages->critical(this, tr("Url is error"));
        return;
    }
    // The address and comment are kept as typed; only a TAB or line break,
    // which the file cannot hold, becomes a blank when the list is saved.
    ScheduleEntry entry;
    entry.StartTime = startTimeText();
    entry.Url = m_url->text();
    entry.Status = QStringLiteral("Waiting");
    entry.Comment = m_comment->text();
    if (m_list)
        m_list->appendEntry(entry);
    accept();
}
