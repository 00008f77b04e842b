#pragma once

// Checks a window the way a user reads it: every visible caption (buttons,
// labels, check boxes, group titles, tabs, menu titles, the shown entry of a
// list) fits the rectangle it is drawn in, measured with the widget's own font,
// and no two visible sibling controls overlap. Returns one line per fault.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <functional>

namespace LayoutCheck {

// Sibling pairs allowed to overlap, by object name (a documented arrangement).
using OverlapAllowed = std::function<bool(const QWidget*, const QWidget*)>;

inline QString describe(const QWidget* widget)
{
    QString name = widget->objectName();
    if (name.isEmpty()) {
        if (auto* label = qobject_cast<const QLabel*>(widget))
            name = QLatin1Char('"') + label->text().left(30) + QLatin1Char('"');
        else if (auto* button = qobject_cast<const QAbstractButton*>(widget))
            name = QLatin1Char('"') + button->text() + QLatin1Char('"');
        else if (auto* box = qobject_cast<const QGroupBox*>(widget))
            name = QLatin1Char('"') + box->title() + QLatin1Char('"');
    }
    return QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char(' ') + name;
}

inline QString sizeText(const QSize& size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

inline void needsRoom(const QWidget* widget, const QString& text, const QSize& needed,
    const QRect& room, QStringList* faults)
{
    if (needed.width() <= room.width() && needed.height() <= room.height())
        return;
    faults->append(QStringLiteral("%1: \"%2\" needs %3, has %4")
                       .arg(describe(widget), text, sizeText(needed), sizeText(room.size())));
}

inline QSize textSize(const QWidget* widget, const QString& text)
{
    // The width the text advances by, as the styles lay captions out.
    const QFontMetrics metrics = widget->fontMetrics();
    QString shown = text;
    shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return QSize(metrics.horizontalAdvance(shown), metrics.height());
}

// Whether anything stands out from the face in the middle of rect: the arrow
// of a step button (drawn greyed when that step is not possible).
inline bool drawsMark(QWidget* widget, const QRect& rect)
{
    const QRect middle(rect.x() + rect.width() / 4, rect.y() + rect.height() / 4,
        qMax(1, rect.width() / 2), qMax(1, rect.height() / 2));
    const QImage image = widget->grab(middle).toImage();
    int lightest = 0;
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            lightest = qMax(lightest, qGray(image.pixel(x, y)));
            darkest = qMin(darkest, qGray(image.pixel(x, y)));
        }
    }
    return lightest - darkest > 32;
}

inline void checkButton(QAbstractButton* button, QStringList* faults)
{
    if (button->text().isEmpty())
        return;
    QRect room;
    QSize needed = textSize(button, button->text());
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        QStyleOptionButton option;
        option.initFrom(push);
        option.text = push->text();
        room = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push);
        if (!push->icon().isNull())
            needed.rwidth() += push->iconSize().width() + 4;
    } else {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const bool radio = button->inherits("QRadioButton");
        room = button->style()->subElementRect(
            radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, button);
    }
    // The contents rectangle must also lie inside the button.
    room = room.intersected(button->rect());
    needsRoom(button, button->text(), needed, room, faults);
}

inline void checkLabel(QLabel* label, QStringList* faults)
{
    if (label->text().isEmpty())
        return;
    const int margin = label->margin() + qMax(label->indent(), 0);
    const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    const bool rich = label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (label->wordWrap() || rich) {
        // Wrapped or formatted text: what it needs at the width it has.
        const int height = label->heightForWidth(label->width());
        needsRoom(label, label->text().left(40), QSize(0, height), label->rect(), faults);
        if (!label->wordWrap())
            needsRoom(label, label->text().left(40), label->sizeHint(), label->rect(), faults);
        return;
    }
    const QStringList lines = label->text().split(QLatin1Char('\n'));
    QSize needed(0, label->fontMetrics().lineSpacing() * (lines.size() - 1));
    for (const QString& line : lines)
        needed = needed.expandedTo(QSize(textSize(label, line).width(), 0));
    needed.rheight() += label->fontMetrics().height();
    needsRoom(label, label->text(), needed, room, faults);
}

inline void checkGroupBox(QGroupBox* box, QStringList* faults)
{
    if (box->title().isEmpty())
        return;
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxLabel;
    option.textAlignment = box->alignment();
    const QRect label
        = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    const QSize needed = textSize(box, box->title());
    needsRoom(box, box->title(), needed, label.intersected(box->rect()), faults);
}

inline void checkTabBar(QTabBar* bar, QStringList* faults)
{
    for (int i = 0; i < bar->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        if (!bar->rect().contains(tab)) {
            faults->append(QStringLiteral("%1: tab \"%2\" lies outside the bar")
                               .arg(describe(bar), bar->tabText(i)));
            continue;
        }
        // A squeezed bar elides its tabs' texts.
        needsRoom(bar, bar->tabText(i), textSize(bar, bar->tabText(i)), tab, faults);
    }
}

inline void checkMenuBar(QMenuBar* bar, QStringList* faults)
{
    for (QAction* action : bar->actions()) {
        if (!action->isVisible())
            continue;
        const QRect item = bar->actionGeometry(action);
        if (item.isEmpty() || !bar->rect().contains(item))
            faults->append(QStringLiteral("%1: menu \"%2\" does not fit the bar")
                               .arg(describe(bar), action->text()));
    }
}

inline void checkComboBox(QComboBox* combo, QStringList* faults)
{
    if (combo->currentText().isEmpty())
        return;
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.currentText = combo->currentText();
    const QRect field = combo->style()->subControlRect(
        QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    needsRoom(combo, combo->currentText(), textSize(combo, combo->currentText()), field, faults);
}

inline void checkSpinBox(QAbstractSpinBox* spin, QStringList* faults)
{
    QStyleOptionSpinBox option;
    option.initFrom(spin);
    option.buttonSymbols = spin->buttonSymbols();
    option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField
        | QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    option.frame = spin->hasFrame();
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    const QRect field = spin->style()->subControlRect(
        QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, spin);
    needsRoom(spin, spin->text(), textSize(spin, spin->text()), field, faults);
    if (spin->buttonSymbols() == QAbstractSpinBox::NoButtons)
        return;

    // A date box with a calendar has one drop-down button, drawn as a list's.
    QList<QRect> buttons;
    auto* dateTime = qobject_cast<QDateTimeEdit*>(spin);
    if (dateTime && dateTime->calendarPopup()) {
        QStyleOptionComboBox combo;
        combo.initFrom(spin);
        combo.subControls = QStyle::SC_ComboBoxArrow;
        buttons << spin->style()->subControlRect(
            QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxArrow, spin);
    } else {
        buttons << spin->style()->subControlRect(
            QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, spin)
                << spin->style()->subControlRect(
                       QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxDown, spin);
    }
    for (const QRect& button : std::as_const(buttons)) {
        if (button.width() < 8 || button.height() < 4 || !spin->rect().contains(button)) {
            faults->append(QStringLiteral("%1: no room for its arrows (%2)")
                               .arg(describe(spin), sizeText(button.size())));
            return;
        }
        if (!drawsMark(spin, button)) {
            faults->append(QStringLiteral("%1: draws no arrows").arg(describe(spin)));
            return;
        }
    }
}

// Widgets drawn as one control: their insides are not looked at one by one.
inline bool isControl(const QWidget* widget)
{
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLabel*>(widget)
        || qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget)
        || qobject_cast<const QComboBox*>(widget)
        || qobject_cast<const QAbstractScrollArea*>(widget)
        || qobject_cast<const QAbstractSlider*>(widget) || qobject_cast<const QProgressBar*>(widget)
        || qobject_cast<const QTabBar*>(widget) || qobject_cast<const QStatusBar*>(widget)
        || qobject_cast<const QMenuBar*>(widget) || widget->inherits("QWebEngineView");
}

inline void checkOne(QWidget* widget, QStringList* faults)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        checkButton(button, faults);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        checkLabel(label, faults);
    else if (auto* box = qobject_cast<QGroupBox*>(widget))
        checkGroupBox(box, faults);
    else if (auto* bar = qobject_cast<QTabBar*>(widget))
        checkTabBar(bar, faults);
    else if (auto* menus = qobject_cast<QMenuBar*>(widget))
        checkMenuBar(menus, faults);
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        checkComboBox(combo, faults);
    else if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget))
        checkSpinBox(spin, faults);
}

inline QList<QWidget*> visibleChildren(QWidget* widget)
{
    QList<QWidget*> children;
    for (QObject* object : widget->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow() && child->isVisible())
            children.append(child);
    }
    return children;
}

inline void walk(QWidget* widget, const OverlapAllowed& allowed, QStringList* faults)
{
    checkOne(widget, faults);
    if (isControl(widget))
        return;
    const QList<QWidget*> children = visibleChildren(widget);
    // A tab widget's bar and its pages are placed by the tab widget itself.
    if (!qobject_cast<QTabWidget*>(widget) && !widget->inherits("QStackedWidget")) {
        for (int i = 0; i < children.size(); ++i) {
            for (int j = i + 1; j < children.size(); ++j) {
                QWidget* a = children.at(i);
                QWidget* b = children.at(j);
                if (!a->geometry().intersects(b->geometry()) || (allowed && allowed(a, b)))
                    continue;
                faults->append(
                    QStringLiteral("%1 %2 overlaps %3 %4")
                        .arg(describe(a), sizeText(a->size()), describe(b), sizeText(b->size())));
            }
        }
    }
    for (QWidget* child : children) {
        // A control pushed past its parent's edge is cut off.
        if (!widget->rect().contains(child->geometry()) && !(allowed && allowed(widget, child))
            && isControl(child) && !qobject_cast<QAbstractScrollArea*>(child)) {
            faults->append(QStringLiteral("%1 at %2,%3 %4 is cut off by the edge of %5")
                               .arg(describe(child))
                               .arg(child->x())
                               .arg(child->y())
                               .arg(sizeText(child->size()), describe(widget)));
        }
        walk(child, allowed, faults);
    }
}

inline QStringList faultsOf(QWidget* window, const OverlapAllowed& allowed = {})
{
    QStringList faults;
    walk(window, allowed, &faults);
    return faults;
}

} // namespace LayoutCheck
