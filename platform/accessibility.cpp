#include "platform/accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTextDocumentFragment>

namespace {

const char *const kRoleProperty = "accessibleRole";

// Qt reads a checkable button as a check box; a mute control is a button
// that stays pressed, so it keeps the button role and carries its state.
class ToggleButtonInterface : public QAccessibleWidget
{
public:
    explicit ToggleButtonInterface(QAbstractButton *b) : QAccessibleWidget(b, QAccessible::Button) { }

    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        s.pressed = button()->isChecked() || button()->isDown();
        return s;
    }

    QStringList actionNames() const override { return {pressAction(), toggleAction()}; }

    void doAction(const QString &name) override
    {
        if (!widget()->isEnabled())
            return;
        if (name == pressAction() || name == toggleAction())
            button()->click();
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }
};

// A label that opens a web page when followed. Its action goes through the
// same key the window already answers on it, so a screen reader's "follow"
// and the keyboard cannot drift apart.
class LinkLabelInterface : public QAccessibleWidget
{
public:
    explicit LinkLabelInterface(QLabel *l) : QAccessibleWidget(l, QAccessible::Link) { }

    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty()) {
            // Rich-text captions are read without their markup.
            auto *label = static_cast<QLabel *>(widget());
            s = Qt::mightBeRichText(label->text())
                ? QTextDocumentFragment::fromHtml(label->text()).toPlainText().trimmed()
                : label->text();
        }
        return s;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.linked = true;
        return s;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &name) override
    {
        if (name != pressAction() || !widget()->isEnabled())
            return;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(widget(), &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(widget(), &release);
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }
};

QAccessibleInterface *factory(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QString role = object->property(kRoleProperty).toString();
    if (role.isEmpty())
        return nullptr;
    if (role == QLatin1String("toggleButton")) {
        if (auto *b = qobject_cast<QAbstractButton *>(object); b && b->isCheckable())
            return new ToggleButtonInterface(b);
    } else if (role == QLatin1String("link")) {
        if (auto *l = qobject_cast<QLabel *>(object))
            return new LinkLabelInterface(l);
    } else if (role == QLatin1String("window")) {
        // The widget base reads a window's title as its name.
        if (auto *w = static_cast<QWidget *>(object); w->isWindow())
            return new QAccessibleWidget(w, QAccessible::Window);
    }
    return nullptr;
}

}  // namespace

namespace Accessibility {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void refresh(QWidget *root)
{
    auto widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : std::as_const(widgets)) {
        if (w->property(kRoleProperty).toString().isEmpty())
            continue;
        if (QAccessibleInterface *i = QAccessible::queryAccessibleInterface(w))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(i));
    }
}

}  // namespace Accessibility
