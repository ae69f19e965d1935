#include "ui/Accessibility.h"

#include "ui/UserSettings.h"

#include <QAccessible>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace a11y {
namespace {

const char* const kVoiceSetting = "accessibility/voiceWithScreenReader";
const char* const kZoomSetting = "accessibility/textZoom";
const char* const kContrastSetting = "accessibility/highContrast";
void (*g_contrastHook)(bool) = nullptr;
int g_assumedScreenReader = -1; // -1: as Qt says

// The announcer as a screen reader sees it: a status line whose name is the last announcement.
class AnnouncerInterface : public QAccessibleWidget {
  public:
    explicit AnnouncerInterface(Announcer* announcer) : QAccessibleWidget(announcer, QAccessible::StatusBar) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return static_cast<const Announcer*>(object())->text();
        if (t == QAccessible::Description)
            return QStringLiteral("消息");
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = false;
        return s;
    }
};

QAccessibleInterface* announcerFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("a11y::Announcer") && object && object->isWidgetType())
        return new AnnouncerInterface(static_cast<Announcer*>(object));
    return nullptr;
}

} // namespace

void describe(QWidget* control, const QString& name, const QString& description) {
    if (!control)
        return;
    if (control->accessibleName() != name)
        control->setAccessibleName(name);
    if (!description.isNull() && control->accessibleDescription() != description)
        control->setAccessibleDescription(description);
    // A combo box's typing line and its drop-down list are its own parts: they carry its name.
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->lineEdit())
            describe(combo->lineEdit(), name, description);
        if (combo->view())
            describe(combo->view(), name + QStringLiteral("列表"));
    }
}

bool screenReaderActive() {
    return g_assumedScreenReader >= 0 ? g_assumedScreenReader == 1 : QAccessible::isActive();
}

void assumeScreenReader(bool running) {
    g_assumedScreenReader = running ? 1 : 0;
}

void forgetAssumedScreenReader() {
    g_assumedScreenReader = -1;
}

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(announcerFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("消息播报"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 1, 1);
}

void Announcer::announce(const QString& text) {
    const QString said = text.simplified().left(600);
    if (said.isEmpty())
        return;
    m_text = said;
    ++m_count;
    if (!isVisible() && parentWidget() && parentWidget()->isVisible())
        show();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

Announcer* announcerOf(QWidget* widget) {
    if (!widget)
        return nullptr;
    QWidget* top = widget->window();
    if (auto* found = top->findChild<Announcer*>(QString(), Qt::FindDirectChildrenOnly))
        return found;
    auto* announcer = new Announcer(top);
    if (top->isVisible())
        announcer->show();
    return announcer;
}

void announce(QWidget* widget, const QString& text) {
    if (Announcer* a = announcerOf(widget))
        a->announce(text);
}

QString positionText(qint64 position, qint64 count, const QString& timeLeft) {
    QString text = QStringLiteral("第 %1 题，共 %2 题").arg(position).arg(qMax<qint64>(count, position));
    if (!timeLeft.isEmpty())
        text += QStringLiteral("，") + timeLeft;
    return text;
}

bool voiceWithScreenReader() {
    return userSettings().value(QLatin1String(kVoiceSetting), false).toBool();
}

void setVoiceWithScreenReader(bool on) {
    userSettings().setValue(QLatin1String(kVoiceSetting), on);
}

bool useOwnVoice() {
    return !screenReaderActive() || voiceWithScreenReader();
}

int textZoom() {
    return qBound(kMinZoom, userSettings().value(QLatin1String(kZoomSetting), 0).toInt(), kMaxZoom);
}

void setTextZoom(int steps) {
    userSettings().setValue(QLatin1String(kZoomSetting), qBound(kMinZoom, steps, kMaxZoom));
}

int zoomedSize(int size, int steps) {
    return qBound(6, size + 2 * steps, 72);
}

bool highContrast() {
    return userSettings().value(QLatin1String(kContrastSetting), false).toBool();
}

void setHighContrast(bool on) {
    userSettings().setValue(QLatin1String(kContrastSetting), on);
    if (g_contrastHook)
        g_contrastHook(on);
}

void setContrastHook(void (*apply)(bool on)) {
    g_contrastHook = apply;
}

} // namespace a11y
