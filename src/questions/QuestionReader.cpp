#include "questions/QuestionReader.h"

#include "shell/AppState.h"
#include "questions/QuestionText.h"

#include <QDir>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace {
bool g_playback = true;
}

QuestionReader::QuestionReader(AppState& app, QObject* parent) : QObject(parent), m_app(app) {}

QuestionReader::~QuestionReader() = default;

void QuestionReader::setPlaybackEnabled(bool on) {
    g_playback = on;
}

QString QuestionReader::soundFileFor(const QString& positionText) {
    const auto n = parseDisplayNumber(positionText);
    if (!n || *n < 0)
        return {};
    return QStringLiteral("wav/%1.wav").arg(*n);
}

void QuestionReader::read(const QString& positionText) {
    m_app.reading = true;
    const QString relative = soundFileFor(positionText);
    if (!relative.isEmpty()) {
        const QString path = resolveBankPath(QDir::currentPath(), relative);
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            m_lastStarted = relative;
            if (g_playback) {
                // Created on first use only: nothing touches the sound system at start-up.
                if (!m_effect)
                    m_effect = new QSoundEffect(this);
                m_effect->stop();
                m_effect->setSource(QUrl::fromLocalFile(path));
                m_effect->setLoopCount(1);
                m_effect->play();
            }
        }
    }
    if (m_app.status)
        m_app.status(1, QStringLiteral("正在读题...!"));
}

void QuestionReader::stopSound() {
    m_lastStarted.clear();
    if (m_effect)
        m_effect->stop();
}

void QuestionReader::stop() {
    stopSound();
    m_app.reading = false;
    if (m_app.status)
        m_app.status(1, QStringLiteral("停止读题!"));
}

void QuestionReader::pause() {
    if (m_app.status)
        m_app.status(1, QStringLiteral("暂停朗读!"));
}

bool QuestionReader::playing() const {
    return !m_lastStarted.isEmpty();
}
