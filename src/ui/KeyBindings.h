#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QAbstractButton;
class QKeyEvent;
class QWidget;

// A tooltip that says what a control does and names its key: "下一题（PgDown）".
QString withKey(const QString& tip, const QKeySequence& key);

// The keys of a window. Each key clicks one of the window's buttons, as the mouse would (nothing
// happens while the button is disabled or hidden), and the button's tooltip names the key. The keys
// work wherever the keyboard is in the window: text boxes, which keep some of them for themselves
// (Ctrl+Home, Ctrl+End), hand them to the window; lists and grids keep their own paging keys.
class KeyBindings : public QObject {
    Q_OBJECT
  public:
    explicit KeyBindings(QWidget* window);

    // The first key is the one the tooltip names. `before` runs first (and may close nothing).
    void bind(QAbstractButton* button, const QList<QKeySequence>& keys, const QString& tip,
              std::function<void()> before = {});
    // A key that runs a command of the window rather than clicking a button.
    void bind(const QList<QKeySequence>& keys, std::function<void()> command);
    // Once the window's controls exist: they pass the bound keys on to the window.
    void watchControls();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Binding {
        QList<QKeySequence> keys;
        QPointer<QAbstractButton> button;
        std::function<void()> before;
        // Without a button: what the key does.
        std::function<void()> command;
    };
    const Binding* find(const QKeyEvent* event) const;
    void run(const Binding& binding);

    QWidget* m_window;
    QList<Binding> m_bindings;
};
