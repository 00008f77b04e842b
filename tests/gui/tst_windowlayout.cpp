// Every window of the program under the shipped skin, at the size it opens with
// and at its smallest: every caption fits where it is drawn and no two controls
// sit on each other. Set PAGELITH_GRAB_DIR to also get a PNG of each state.

#include "engine/setup/enginesetup.h"
#include "fakeservices.h"
#include "gui/app/appcontext.h"
#include "gui/browser/browserwindow.h"
#include "gui/dialogs/aboutbox.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/progresspanel.h"
#include "gui/mainwindow/statusframe.h"
#include "gui/mainwindow/toolbarstrip.h"
#include "gui/scheduler/addscheduledialog.h"
#include "gui/scheduler/schedulelistwidget.h"
#include "gui/scheduler/schedulewindow.h"
#include "gui/settings/settingsdialog.h"
#include "gui/urllist/addurlsdialog.h"
#include "gui/widgets/imagebutton.h"
#include "gui/widgets/skin.h"
#include "layoutcheck.h"

#include <QApplication>
#include <QDir>
#include <QLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The build puts the skin beside the programs; the tests run one folder over.
QString programFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../../bin");
}

QString grabFolder()
{
    return qEnvironmentVariable("PAGELITH_GRAB_DIR");
}

bool isPair(const QWidget* a, const QWidget* b, const char* first, const char* second)
{
    const QString x = a->objectName();
    const QString y = b->objectName();
    return (x == QLatin1String(first) && y == QLatin1String(second))
        || (x == QLatin1String(second) && y == QLatin1String(first));
}

} // namespace

class TestWindowLayout : public QObject
{
    Q_OBJECT
public:
    // The browser window holds a web view: the engine is set up as the program does.
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void checkFindsClippedAndOverlappingControls();
    void mainWindow();
    void longStatusKeepsTheMainWindowSize();
    void aboutBox();
    void settingsDialog();
    void addUrlsDialog();
    void browserWindow();
    void scheduleWindow();
    void addScheduleDialog();
    void disabledBoxesLookDisabled();
    void everyWindowFitsASmallScreen();

private:
    // Resizes the window, lets its layout settle and collects the faults,
    // prefixed with where they were seen.
    void checkAt(QWidget* window, const QSize& size, const QString& state,
        const LayoutCheck::OverlapAllowed& allowed = {});
    void checkAtOpeningAndMinimum(QWidget* window, const QString& state);

    QTemporaryDir m_dir;
    QStringList m_faults;
};

void TestWindowLayout::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    QVERIFY2(ApplySkin(qApp, programFolder(), &error), qPrintable(error));
    QVERIFY(!qApp->styleSheet().isEmpty());
    // The logo the about box shows.
    QVERIFY(QFile::copy(
        programFolder() + QStringLiteral("/logo.jpg"), m_dir.filePath(QStringLiteral("logo.jpg"))));
}

void TestWindowLayout::cleanupTestCase()
{
    qApp->setStyleSheet(QString());
}

void TestWindowLayout::checkAt(QWidget* window, const QSize& size, const QString& state,
    const LayoutCheck::OverlapAllowed& allowed)
{
    window->show();
    window->resize(size);
    // Layouts settle on posted events; run them now so the geometry is final.
    for (int i = 0; i < 3; ++i) {
        if (window->layout())
            window->layout()->activate();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::Resize);
    }
    const QString where
        = QStringLiteral("%1 %2x%3: ").arg(state).arg(window->width()).arg(window->height());
    for (const QString& fault : LayoutCheck::faultsOf(window, allowed))
        m_faults.append(where + fault);
    if (!grabFolder().isEmpty()) {
        QString name = state;
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
        window->grab().save(QDir(grabFolder()).filePath(name + QStringLiteral(".png")));
    }
}

void TestWindowLayout::checkAtOpeningAndMinimum(QWidget* window, const QString& state)
{
    window->show();
    if (window->layout())
        window->layout()->activate();
    const QSize opening = window->size();
    checkAt(window, opening, state + QStringLiteral(" opening"));
    const QSize minimum = window->minimumSize().expandedTo(window->minimumSizeHint());
    checkAt(window, minimum, state + QStringLiteral(" minimum"));
    checkAt(window, opening, state + QStringLiteral(" back"));
}

void TestWindowLayout::checkFindsClippedAndOverlappingControls()
{
    // The check itself: a caption wider than its button, a label cut short and
    // two controls on top of each other are all found, and nothing else.
    QWidget window;
    window.resize(400, 100);
    auto* button = new QPushButton(QStringLiteral("A long caption"), &window);
    button->setObjectName(QStringLiteral("narrow"));
    button->setGeometry(10, 10, 40, 30);
    auto* label = new QLabel(QStringLiteral("Comment:"), &window);
    label->setObjectName(QStringLiteral("cut"));
    // Clear of the button, which the skin widens to 102.
    label->setGeometry(150, 10, 20, 20);
    auto* spin = new QSpinBox(&window);
    spin->setObjectName(QStringLiteral("onTop"));
    spin->setGeometry(200, 10, 80, 25);
    auto* edit = new QLineEdit(&window);
    edit->setObjectName(QStringLiteral("under"));
    edit->setGeometry(210, 20, 80, 25);
    window.show();
    const QString faults = LayoutCheck::faultsOf(&window).join(QLatin1Char('\n'));
    QVERIFY2(faults.count(QLatin1Char('\n')) == 2, qPrintable(faults));
    QVERIFY2(
        faults.contains(QLatin1String("narrow: \"A long caption\" needs")), qPrintable(faults));
    QVERIFY2(faults.contains(QLatin1String("cut: \"Comment:\" needs")), qPrintable(faults));
    QVERIFY2(faults.contains(QLatin1String("onTop 80x25 overlaps")), qPrintable(faults));
}

void TestWindowLayout::mainWindow()
{
    ShellFixture fixture;
    QDir(fixture.folder.path()).mkpath(QStringLiteral("skins"));
    QVERIFY(QFile::copy(programFolder() + QStringLiteral("/skins/frmmain.skn"),
        fixture.path(QStringLiteral("skins/frmmain.skn"))));
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    m_faults.clear();
    checkAtOpeningAndMinimum(window, QStringLiteral("main window"));
    // During a batch the progress panel joins in.
    window->progressPanel()->show();
    checkAtOpeningAndMinimum(window, QStringLiteral("main window converting"));
    // A toolbar button with the keyboard focus.
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    window->toolbar()->settings()->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(window->toolbar()->settings()->hasFocus());
    checkAt(window, window->size(), QStringLiteral("main window keyboard focus"));
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestWindowLayout::longStatusKeepsTheMainWindowSize()
{
    MainWindow window;
    window.progressPanel()->show();
    window.show();
    const int minimum = window.minimumSizeHint().width();
    const QString address
        = QStringLiteral("https://long.example/") + QString(5000, QLatin1Char('x'));
    window.progressPanel()->setTitle(QStringLiteral("Processing ") + address);
    window.progressPanel()->statusLabel()->setText(QStringLiteral("Loading ") + address);
    window.statusFrame()->statusLabel()->setText(QStringLiteral("Loading ") + address);
    QCOMPARE(window.minimumSizeHint().width(), minimum);
    QCOMPARE(window.width(), 764);
    // The caption is shortened in its middle, keeping both of its ends.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QString title = window.progressPanel()->frame()->title();
    QVERIFY(title.startsWith(QLatin1String("Processing https://long.example/")));
    QVERIFY(title.endsWith(QLatin1Char('x')));
    QVERIFY(title.contains(QChar(0x2026)));
    m_faults.clear();
    checkAt(&window, window.size(), QStringLiteral("main window long status"));
    QVERIFY2(!m_faults.join(QLatin1Char('\n')).contains(QLatin1String("Frame2")),
        qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestWindowLayout::aboutBox()
{
    AppContext context(m_dir.path());
    AboutBox box(&context);
    m_faults.clear();
    checkAtOpeningAndMinimum(&box, QStringLiteral("about box"));
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestWindowLayout::settingsDialog()
{
    SettingsDialog dialog(m_dir.filePath(QStringLiteral("settings.dat")), m_dir.path());
    auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    QVERIFY(tabs);
    m_faults.clear();
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        checkAtOpeningAndMinimum(&dialog, QStringLiteral("settings ") + tabs->tabText(tab));
    }
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestWindowLayout::addUrlsDialog()
{
    AddUrlsDialog dialog;
    m_faults.clear();
    QCOMPARE(dialog.size(), QSize(502, 298));
    checkAtOpeningAndMinimum(&dialog, QStringLiteral("add urls"));
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestWindowLayout::browserWindow()
{
    BrowserWindow::Context context;
    context.applicationFolder = m_dir.path();
    context.settingsFile = m_dir.filePath(QStringLiteral("settings.dat"));
    BrowserWindow window(context);
    // The page runs on under the status bar and past the right edge, as the
    // window's resize rule has it; the navigation buttons share their edge pixels.
    auto allowed = [](const QWidget* a, const QWidget* b) {
        if (isPair(a, b, "WebBrowser1", "StatusBar1") || isPair(a, b, "Form2", "WebBrowser1"))
            return true;
        const bool navigation = isPair(a, b, "GoButton", "BackButton")
            || isPair(a, b, "BackButton", "ForwardButton")
            || isPair(a, b, "ForwardButton", "StopButton");
        return navigation && a->geometry().intersected(b->geometry()).width() <= 1;
    };
    m_faults.clear();
    checkAt(&window, QSize(1108, 627), QStringLiteral("browser opening"), allowed);
    checkAt(&window, QSize(1600, 1000), QStringLiteral("browser large"), allowed);
    checkAt(&window, window.minimumSize(), QStringLiteral("browser minimum"), allowed);
    window.showMaximized();
    checkAt(&window, window.size(), QStringLiteral("browser maximised"), allowed);
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestWindowLayout::scheduleWindow()
{
    ScheduleSetup setup;
    setup.applicationFolder = m_dir.path();
    ScheduleWindow window(setup);
    m_faults.clear();
    checkAt(&window, window.size(), QStringLiteral("schedule window"));
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestWindowLayout::addScheduleDialog()
{
    ScheduleSetup setup;
    setup.applicationFolder = m_dir.path();
    setup.clock = [] { return QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)); };
    ScheduleListWidget list;
    AddScheduleDialog dialog(&list, setup);
    m_faults.clear();
    checkAt(&dialog, dialog.size(), QStringLiteral("add schedule"));
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestWindowLayout::everyWindowFitsASmallScreen()
{
    // A 1280 x 800 screen at scale 2 leaves 640 x 400 logical pixels, a title
    // bar and a panel take some 40 of them: every window can be made this small,
    // with its buttons in reach.
    const QSize room(640, 360);
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* main = fixture.shell->mainWindow();
    main->progressPanel()->show();
    AppContext context(m_dir.path());
    AboutBox about(&context);
    SettingsDialog settings(m_dir.filePath(QStringLiteral("settings.dat")), m_dir.path());
    AddUrlsDialog addUrls;
    BrowserWindow::Context browserContext;
    browserContext.applicationFolder = m_dir.path();
    BrowserWindow browser(browserContext);
    ScheduleSetup setup;
    setup.applicationFolder = m_dir.path();
    ScheduleWindow schedule(setup);
    ScheduleListWidget list;
    AddScheduleDialog addSchedule(&list, setup);
    for (QWidget* window : { static_cast<QWidget*>(main), static_cast<QWidget*>(&about),
             static_cast<QWidget*>(&settings), static_cast<QWidget*>(&addUrls),
             static_cast<QWidget*>(&browser), static_cast<QWidget*>(&schedule),
             static_cast<QWidget*>(&addSchedule) }) {
        const QSize smallest = window->minimumSize().expandedTo(window->minimumSizeHint());
        QVERIFY2(smallest.width() <= room.width() && smallest.height() <= room.height(),
            qPrintable(QStringLiteral("%1: %2 x %3")
                           .arg(window->objectName())
                           .arg(smallest.width())
                           .arg(smallest.height())));
    }
    // The main window opens within the screen's free area.
    const QRect screen = main->screen()->availableGeometry();
    QVERIFY2(screen.contains(main->frameGeometry().topLeft()),
        qPrintable(QStringLiteral("%1,%2").arg(main->x()).arg(main->y())));
}

void TestWindowLayout::disabledBoxesLookDisabled()
{
    QWidget window;
    auto* enabled = new QLineEdit(QStringLiteral("100"), &window);
    enabled->setGeometry(0, 0, 80, 25);
    auto* disabled = new QLineEdit(QStringLiteral("100"), &window);
    disabled->setGeometry(0, 30, 80, 25);
    disabled->setEnabled(false);
    window.show();
    QVERIFY(enabled->grab().toImage() != disabled->grab().toImage());
}

QTEST_MAIN(TestWindowLayout)
#include "tst_windowlayout.moc"
