#include "ui/Accessibility.h"

#include "ui/FormPrincipal.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace tirvelo {
namespace {

// The widget that reads as focused for a screen reader besides the keyboard's.
QPointer<QWidget> g_readerFocus;

bool holdsReaderFocus(const QWidget* widget)
{
    return widget && g_readerFocus == widget;
}

void sendFocusedState(QWidget* widget)
{
    QAccessible::State changed;
    changed.focused = true;
    QAccessibleStateChangeEvent state(widget, changed);
    QAccessible::updateAccessibility(&state);
}

void moveReaderFocus(QWidget* widget)
{
    const QPointer<QWidget> before = g_readerFocus;
    g_readerFocus = widget;
    if (!QAccessible::isActive())
        return;
    if (before && before != widget)
        sendFocusedState(before);
    if (!widget)
        return;
    sendFocusedState(widget);
    QAccessibleEvent focus(widget, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

// A page-turning button: it never takes the keyboard focus, so the scan's
// highlight is what a screen reader hears as focus.
class AccessibleNavigationButton : public QAccessibleWidget {
public:
    explicit AccessibleNavigationButton(NavigationButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return spokenCaption(button()->text());
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = true;
        s.focused = button()->isHighlighted() && holdsReaderFocus(button());
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction() && button()->isEnabled())
            button()->click();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    NavigationButton* button() const { return static_cast<NavigationButton*>(widget()); }
};

constexpr const char* kAnnouncesProperty = "tirveloAnnouncesChanges";

// A label that takes the screen reader's focus when it changes, so that its
// new name is spoken.
class AccessibleAnnouncingLabel : public QAccessibleWidget {
public:
    explicit AccessibleAnnouncingLabel(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = true;
        s.focused = holdsReaderFocus(widget());
        return s;
    }
};

constexpr const char* kMinimumProperty = "tirveloNumberMinimum";
constexpr const char* kMaximumProperty = "tirveloNumberMaximum";

// A line edit holding a number. Qt's own line-edit interface cannot be
// extended (its class is private), so the text interfaces are written here on
// the edit's public calls, the value interface beside them.
class AccessibleNumberEdit : public QAccessibleWidget,
                             public QAccessibleTextInterface,
                             public QAccessibleEditableTextInterface,
                             public QAccessibleValueInterface {
public:
    explicit AccessibleNumberEdit(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        switch (t) {
        case QAccessible::TextInterface:
            return static_cast<QAccessibleTextInterface*>(this);
        case QAccessible::EditableTextInterface:
            return static_cast<QAccessibleEditableTextInterface*>(this);
        case QAccessible::ValueInterface:
            return static_cast<QAccessibleValueInterface*>(this);
        default:
            return QAccessibleWidget::interface_cast(t);
        }
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return edit()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !edit()->isReadOnly();
        s.readOnly = edit()->isReadOnly();
        return s;
    }

    // Text
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && edit()->hasSelectedText()) {
            *startOffset = edit()->selectionStart();
            *endOffset = edit()->selectionEnd();
        }
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int) override { edit()->deselect(); }
    void setSelection(int, int startOffset, int endOffset) override
    {
        edit()->setSelection(startOffset, endOffset - startOffset);
    }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override
    {
        return edit()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(edit()->text().size()); }
    QRect characterRect(int offset) const override
    {
        // The edit never scrolls its few digits: characters lie from the
        // left of the text area, one after the other.
        const QRect area = edit()->rect().marginsRemoved(edit()->textMargins()).adjusted(2, 0, -2, 0);
        const QFontMetrics metrics = edit()->fontMetrics();
        const QString text = edit()->text();
        const int left = area.left() + metrics.horizontalAdvance(text.left(offset));
        const QRect local(left, area.center().y() - metrics.height() / 2,
                          metrics.horizontalAdvance(text.mid(offset, 1)), metrics.height());
        return QRect(edit()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int) override { edit()->setCursorPosition(startIndex); }
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

    // Editable text
    void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, {}); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString& text) override
    {
        edit()->setText(edit()->text().replace(startOffset, endOffset - startOffset, text));
    }

    // Value
    QVariant currentValue() const override { return edit()->text().toInt(); }
    void setCurrentValue(const QVariant& value) override { edit()->setText(QString::number(value.toInt())); }
    QVariant maximumValue() const override { return edit()->property(kMaximumProperty); }
    QVariant minimumValue() const override { return edit()->property(kMinimumProperty); }
    QVariant minimumStepSize() const override { return 1; }

private:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }
};

QAccessibleInterface* ourInterfaces(const QString&, QObject* object)
{
    if (auto* button = qobject_cast<NavigationButton*>(object))
        return new AccessibleNavigationButton(button);
    if (auto* picture = qobject_cast<PictureBox*>(object))
        return new QAccessibleWidget(picture, QAccessible::Graphic);
    if (auto* label = qobject_cast<QLabel*>(object); label && label->property(kAnnouncesProperty).toBool())
        return new AccessibleAnnouncingLabel(label);
    if (auto* edit = qobject_cast<QLineEdit*>(object); edit && edit->property(kMinimumProperty).isValid())
        return new AccessibleNumberEdit(edit);
    if (auto* window = qobject_cast<TFormPrincipal*>(object))
        return new QAccessibleWidget(window, QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibleInterfaces()
{
    // Qt keeps a factory installed twice only once.
    QAccessible::installFactory(ourInterfaces);
}

QString spokenCaption(const QString& caption)
{
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        out += caption[i];
    }
    return out;
}

void exposeAsNumber(QLineEdit* edit, int minimum, int maximum)
{
    edit->setProperty(kMinimumProperty, minimum);
    edit->setProperty(kMaximumProperty, maximum);
}

void announceHighlight(QWidget* button)
{
    moveReaderFocus(button);
}

void announceHighlightLeft(QWidget* button)
{
    if (holdsReaderFocus(button))
        moveReaderFocus(nullptr);
}

void announcesItsChanges(QLabel* label)
{
    label->setProperty(kAnnouncesProperty, true);
}

void announceChange(QLabel* label)
{
    moveReaderFocus(label);
}

} // namespace tirvelo
