#include "answering/PracticeReading.h"

#include "answering/AnswerText.h"
#include "answering/PracticeWindow.h"
#include "marking/Scoring.h"
#include "questions/QuestionReader.h"
#include "shell/AppState.h"
#include "ui/Accessibility.h"
#include "ui/FileChooser.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"
#include "ui/UserSettings.h"

#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSlider>

namespace practice_reading {
namespace {

QuestionReader* reader(PracticeWindow& w) {
    return w.app().reader;
}

} // namespace

void connectControls(PracticeWindow& w) {
    QuestionReader* r = reader(w);
    if (!r)
        return;
    QObject::connect(w.朗读按钮, &QPushButton::clicked, &w,
                     [&w, r] { r->read(w.displayedQuestion(), w.题目超级编辑框->boxText()); });
    QObject::connect(w.暂停按钮, &QPushButton::clicked, &w, [r] { r->pause(); });
    QObject::connect(w.停止按钮, &QPushButton::clicked, &w, [r] { r->stop(); });
    r->setRateStep(userSettings().value(QLatin1String(kSpeedSetting), r->rateStep()).toInt());
    w.滑块条语速->setValue(r->rateStep());
    QObject::connect(w.滑块条语速, &QSlider::valueChanged, &w, [r](int step) {
        r->setRateStep(step);
        userSettings().setValue(QLatin1String(kSpeedSetting), r->rateStep());
    });
    QObject::connect(w.输出按钮, &QPushButton::clicked, &w, [&w] { saveAsRecording(w); });
}

void follow(PracticeWindow& w) {
    QuestionReader* r = reader(w);
    if (!r)
        return;
    r->stopSound();
    // While a screen reader tells the new question, the program's voice reads it only on demand
    // (朗读, F5), unless the user chose both voices.
    if (r->reading() && a11y::useOwnVoice())
        r->read(w.displayedQuestion(), w.题目超级编辑框->boxText());
}

void tellVerdict(PracticeWindow& w, const QString& verdict) {
    QuestionReader* r = reader(w);
    // The verdict is announced to the screen reader in any case; the own voice says it too only
    // when no screen reader runs or the user chose both.
    if (!r || !r->reading() || !a11y::useOwnVoice())
        return;
    r->sayBeforeNextRead(verdict);
}

void sayUnheardVerdict(PracticeWindow& w) {
    if (QuestionReader* r = reader(w))
        r->sayPending();
}

void leave(PracticeWindow& w) {
    if (QuestionReader* r = reader(w))
        r->stopSound();
}

void saveAsRecording(PracticeWindow& w) {
    QuestionReader* r = reader(w);
    if (!r)
        return;
    const auto number = w.displayedQuestion();
    if (!number) {
        MessageBox::info(&w, QStringLiteral("请先显示一道题，再输出它的朗读。"));
        return;
    }
    const QString text = w.题目超级编辑框->boxText();
    QDir::current().mkpath(QStringLiteral("wav"));
    const QString path =
        FileChooser::saveFile(&w, QStringLiteral("输出朗读"),
                              QDir::current().filePath(QuestionReader::recordingFor(*number)),
                              QString::fromUtf8(kRecordingFilter), QStringLiteral("wav"))
            .value_or(QString());
    if (path.isEmpty())
        return;
    QPointer<PracticeWindow> window(&w);
    r->saveRecording(text, path, [window](const QString& error) {
        if (!error.isEmpty() && window)
            MessageBox::warn(window, error);
    });
}

QString verdict(const QString& given, const QString& standard) {
    return verdict(given, standard, documents::TypeRule{});
}

QString verdict(const QString& given, const QString& standard, const documents::TypeRule& rule) {
    const bool unanswered = answer::strip(given).isEmpty();
    if (!unanswered && answer::matches(given, standard))
        return QStringLiteral("正确");
    const bool partial =
        !unanswered && scoring::mark(given, standard, 1, rule).verdict == scoring::Verdict::Partial;
    const QString head = unanswered ? QStringLiteral("未作答")
                         : partial  ? QStringLiteral("部分正确")
                                    : QStringLiteral("错误");
    const QString spelt =
        QStringList(answer::normalise(standard).split(QString(), Qt::SkipEmptyParts)).join(' ');
    if (spelt.isEmpty())
        return head;
    return head + QStringLiteral("，正确答案是 ") + spelt;
}

} // namespace practice_reading
