#include "ui/Accessibility.h"

#include "ui/FormPrincipal.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace tirvelo {
namespace {

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
        s.focused = button()->isHighlighted();
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

QAccessibleInterface* ourInterfaces(const QString&, QObject* object)
{
    if (auto* button = qobject_cast<NavigationButton*>(object))
        return new AccessibleNavigationButton(button);
    if (auto* picture = qobject_cast<PictureBox*>(object))
        return new QAccessibleWidget(picture, QAccessible::Graphic);
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

void announceHighlight(QWidget* button)
{
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.focused = true;
    QAccessibleStateChangeEvent state(button, changed);
    QAccessible::updateAccessibility(&state);
    QAccessibleEvent focus(button, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

} // namespace tirvelo
