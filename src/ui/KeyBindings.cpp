#include "ui/KeyBindings.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QShortcut>

namespace {

QKeyCombination combinationOf(const QKeyEvent* event) {
    // Enter on the keypad counts as Enter.
    return QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key()));
}

bool isPagingKey(QKeyCombination key) {
    const Qt::Key k = key.key();
    const Qt::KeyboardModifiers m = key.keyboardModifiers();
    return (m == Qt::NoModifier && (k == Qt::Key_PageUp || k == Qt::Key_PageDown)) ||
           (m == Qt::ControlModifier && (k == Qt::Key_Home || k == Qt::Key_End));
}

} // namespace

QString withKey(const QString& tip, const QKeySequence& key) {
    if (key.isEmpty())
        return tip;
    return QStringLiteral("%1（%2）").arg(tip, key.toString(QKeySequence::NativeText));
}

KeyBindings::KeyBindings(QWidget* window) : QObject(window), m_window(window) {}

void KeyBindings::bind(QAbstractButton* button, const QList<QKeySequence>& keys, const QString& tip,
                       std::function<void()> before) {
    if (!button || keys.isEmpty())
        return;
    button->setToolTip(withKey(tip, keys.first()));
    m_bindings.append({keys, button, std::move(before)});
    // Where no control of the window has the keyboard (or one made after watchControls()).
    auto* shortcut = new QShortcut(m_window);
    shortcut->setKeys(keys);
    shortcut->setContext(Qt::WindowShortcut);
    const int index = int(m_bindings.size()) - 1;
    connect(shortcut, &QShortcut::activated, this, [this, index] { run(m_bindings.at(index)); });
}

void KeyBindings::bind(const QList<QKeySequence>& keys, std::function<void()> command) {
    if (keys.isEmpty() || !command)
        return;
    m_bindings.append({keys, nullptr, {}, std::move(command)});
    auto* shortcut = new QShortcut(m_window);
    shortcut->setKeys(keys);
    shortcut->setContext(Qt::WindowShortcut);
    const int index = int(m_bindings.size()) - 1;
    connect(shortcut, &QShortcut::activated, this, [this, index] { run(m_bindings.at(index)); });
}

void KeyBindings::watchControls() {
    m_window->installEventFilter(this);
    for (QWidget* w : m_window->findChildren<QWidget*>())
        w->installEventFilter(this);
}

const KeyBindings::Binding* KeyBindings::find(const QKeyEvent* event) const {
    const QKeySequence pressed(combinationOf(event));
    for (const Binding& b : m_bindings)
        for (const QKeySequence& k : b.keys)
            if (k == pressed)
                return &b;
    return nullptr;
}

void KeyBindings::run(const Binding& binding) {
    if (binding.command) {
        if (m_window->isVisible())
            binding.command();
        return;
    }
    QAbstractButton* button = binding.button;
    if (!button || !button->isEnabled() || !button->isVisibleTo(m_window) || !m_window->isVisible())
        return;
    if (binding.before)
        binding.before();
    // `before` may have changed the window (a message box, a question shown).
    if (binding.button && binding.button->isEnabled())
        binding.button->click();
}

bool KeyBindings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const Binding* binding = find(key);
    if (!binding)
        return false;
    // A list or grid pages through its own rows (also when a page key it did not use comes up to
    // its parents).
    const bool ownKey =
        isPagingKey(combinationOf(key)) && (qobject_cast<QAbstractItemView*>(watched) ||
                                            qobject_cast<QAbstractItemView*>(QApplication::focusWidget()));
    if (event->type() == QEvent::ShortcutOverride) {
        // The key press comes to this control: a list or grid keeps its paging keys, any other
        // control hands the key on here rather than using it itself.
        event->accept();
        return true;
    }
    if (ownKey)
        return false;
    run(*binding);
    return true;
}
