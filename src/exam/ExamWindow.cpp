#include "exam/ExamWindow.h"

#include "answering/AnswerText.h"
#include "shell/AppState.h"
#include "shell/WorkHost.h"
#include "questions/QuestionReader.h"
#include "questions/QuestionText.h"
#include "questions/RandomDraw.h"
#include "ui/Accessibility.h"
#include "ui/Gbk.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>

QString examKey(const QString& typed) {
    QString out;
    out.reserve(typed.size());
    for (const QChar c : typed)
        if (c != QLatin1Char(' ') && c != QChar(0x3000))
            out += c;
    return out;
}

QString clockText(int minutes, int totalSeconds, int seconds) {
    return QStringLiteral("考试时间:%1分钟  %2:%3").arg(minutes).arg(totalSeconds / 60).arg(seconds);
}

QString examProgressText(int minutes, qint64 elapsedSeconds, int answered, int questions) {
    const QString answeredText = QStringLiteral("已答 %1/%2").arg(answered).arg(questions);
    if (minutes <= 0)
        return QStringLiteral("不限时，") + answeredText;
    const qint64 left = qMax<qint64>(0, qint64(minutes) * 60 - elapsedSeconds);
    return QStringLiteral("剩余 %1:%2，").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0')) +
           answeredText;
}

ExamWindow::ExamWindow(AppState& app, WorkHost& host, QWidget* parent)
    : AnswerWindow(app, host, Kind::Exam, parent) {
    setObjectName(QStringLiteral("考试窗口"));
    setWindowTitle(QStringLiteral("考试"));
    resize(800, 500);

    分组框1 = new QGroupBox(QStringLiteral("考生信息"), this);
    分组框1->setObjectName(QStringLiteral("分组框1"));
    分组框1->setGeometry(10, 8, 768, 56);
    试卷超级按钮 = makeButton(分组框1, QStringLiteral("试卷超级按钮"), QStringLiteral("请点击选择试卷"),
                              {8, 20, 200, 24});
    透明标签1 = makeLabel(分组框1, QStringLiteral("透明标签1"), QStringLiteral("考号"), {220, 20, 24, 16});
    考号组合框 = new RefillCombo(分组框1);
    考号组合框->setObjectName(QStringLiteral("考号组合框"));
    考号组合框->setGeometry(250, 20, 96, 20);
    透明标签2 = makeLabel(分组框1, QStringLiteral("透明标签2"), QStringLiteral("姓名"), {352, 20, 24, 16});
    姓名编辑框 = new QLineEdit(分组框1);
    姓名编辑框->setObjectName(QStringLiteral("姓名编辑框"));
    姓名编辑框->setGeometry(382, 20, 96, 20);
    透明标签3 = makeLabel(分组框1, QStringLiteral("透明标签3"), QStringLiteral("场次"), {483, 20, 24, 16});
    场次组合框 = new RefillCombo(分组框1);
    场次组合框->setObjectName(QStringLiteral("场次组合框"));
    场次组合框->setGeometry(512, 20, 96, 20);
    开始按钮 = makeButton(分组框1, QStringLiteral("开始按钮"), QStringLiteral("开始"), {618, 20, 40, 20});
    考试交卷按钮 =
        makeButton(分组框1, QStringLiteral("考试交卷按钮"), QStringLiteral("交卷"), {664, 20, 40, 20});
    字体按钮 = makeButton(分组框1, QStringLiteral("字体按钮"), QStringLiteral("字体"), {713, 20, 40, 20});

    buildAnswerControls(
        {QRect(10, 72, 768, 264), QRect(10, 344, 768, 120), QRect(8, 16, 744, 56), 515, 542, 569, 608, 636});
    保存按钮->setEnabled(false);

    时钟1 = new QTimer(this);
    时钟1->setObjectName(QStringLiteral("时钟1"));
    时钟1->setInterval(0);

    connect(试卷超级按钮, &QPushButton::clicked, this, &ExamWindow::choosePaper);
    connect(考号组合框, &RefillCombo::aboutToShowPopup, this, &ExamWindow::refillCandidates);
    connect(场次组合框, &RefillCombo::aboutToShowPopup, this, &ExamWindow::refillSittings);
    connect(开始按钮, &QPushButton::clicked, this, &ExamWindow::start);
    connect(考试交卷按钮, &QPushButton::clicked, this, &ExamWindow::handIn);
    connect(字体按钮, &QPushButton::clicked, this, &ExamWindow::chooseFont);
    connect(保存按钮, &QPushButton::clicked, this, &ExamWindow::save);
    connect(时钟1, &QTimer::timeout, this, &ExamWindow::tick);
    bindKeys();
    describeExamControls();

    m_claimTimer = new QTimer(this);
    m_claimTimer->setInterval(sittingclaim::kRenewSeconds * 1000);
    connect(m_claimTimer, &QTimer::timeout, this, &ExamWindow::renewClaim);
    m_journalTimer = new QTimer(this);
    m_journalTimer->setInterval(5000);
    connect(m_journalTimer, &QTimer::timeout, this, &ExamWindow::sendWaitingAnswers);
}

namespace {
// Sends a journal's waiting answers to the server; what the server does not take stays waiting.
int sendJournal(Store& store, AnswerJournal& journal) {
    const AnswerJournal::Sitting& s = journal.sitting();
    return journal.send([&](qint64 n, const AnswerJournal::Entry& e) {
        return store.execute(Sql::SaveExamAnswer, {{"n", n},
                                                   {"code", s.code},
                                                   {"answer", e.answer},
                                                   {"student", s.student},
                                                   {"name", e.name},
                                                   {"state", s.state}});
    });
}
} // namespace

int ExamWindow::waitingAnswers() const {
    return m_journal ? m_journal->count() : 0;
}

int ExamWindow::sendWaitingAnswers() {
    if (waitingAnswers() == 0)
        return 0;
    const int left = sendJournal(m_app.store, *m_journal);
    showExamProgress();
    return left;
}

void ExamWindow::sendLeftOverAnswers() {
    if (m_app.store.dialect() != Dialect::Postgres || !m_app.store.isOpen())
        return;
    for (const AnswerJournal::Sitting& s : AnswerJournal::leftOver(m_app.programDir, m_app.store.fullName())) {
        // A candidate's login may store answers only in a sitting it holds.
        const sittingclaim::Key key{s.code, s.student, s.state};
        const QString owner = sittingclaim::newOwner();
        const sittingclaim::Result claim = sittingclaim::claim(m_app.store, key, owner);
        if (claim.outcome == sittingclaim::Outcome::HeldElsewhere || claim.outcome == sittingclaim::Outcome::Failed)
            continue;
        AnswerJournal journal(m_app.programDir, s);
        sendJournal(m_app.store, journal);
        sittingclaim::release(m_app.store, key, owner);
    }
}

void ExamWindow::describeExamControls() {
    a11y::describe(this, windowTitle());
    a11y::describe(分组框1, QStringLiteral("考生信息"));
    透明标签1->setBuddy(考号组合框);
    透明标签2->setBuddy(姓名编辑框);
    透明标签3->setBuddy(场次组合框);
    a11y::describe(考号组合框, QStringLiteral("考号"), QStringLiteral("填写或选择考号"));
    a11y::describe(姓名编辑框, QStringLiteral("姓名"), QStringLiteral("考生姓名"));
    a11y::describe(场次组合框, QStringLiteral("场次"), QStringLiteral("填写或选择场次"));
    a11y::describe(开始按钮, QStringLiteral("开始"), QStringLiteral("开始考试并计时"));
    a11y::describe(考试交卷按钮, QStringLiteral("交卷"), QStringLiteral("交卷并评分（先询问）"));
    a11y::describe(字体按钮, QStringLiteral("字体"),
                   QStringLiteral("题目和答案的字体；Ctrl+加号、Ctrl+减号、Ctrl+0 调整文字大小"));
}

QString ExamWindow::timeLeftText() const {
    if (!m_running || m_ended)
        return QString();
    if (m_app.exam.minutes <= 0)
        return QStringLiteral("不限时");
    const qint64 left = qMax<qint64>(0, qint64(m_app.exam.minutes) * 60 - m_app.clockTotal);
    return QStringLiteral("剩余 %1 分 %2 秒").arg(left / 60).arg(left % 60);
}

ExamWindow::~ExamWindow() {
    releaseClaim();
}

void ExamWindow::releaseClaim() {
    // A window that holds nothing leaves the store alone: a closed one may go after the store.
    if (m_claimOwner.isEmpty())
        return;
    m_claimTimer->stop();
    sittingclaim::release(m_app.store, m_claimKey, m_claimOwner);
    m_claimOwner.clear();
}

void ExamWindow::renewClaim() {
    if (m_claimOwner.isEmpty())
        return;
    const sittingclaim::Result r = sittingclaim::renew(m_app.store, m_claimKey, m_claimOwner);
    if (r.outcome != sittingclaim::Outcome::HeldElsewhere)
        return;
    // The store was out of reach for so long that the sitting ran out, and another computer
    // started it meanwhile.
    m_claimTimer->stop();
    m_claimOwner.clear();
    MessageBox::warn(
        this, QStringLiteral("与题库的联系中断了两分钟以上，这段时间里考号 %1 的场次 %2 已在电脑“%3”上开始。"
                             "两处保存的答案会存进同一场考试，请告诉监考老师。")
                  .arg(m_claimKey.student, m_claimKey.state, r.host));
}

namespace {
// A box whose text can no longer be edited shows it from its first character, not scrolled to
// where the typing ended.
void showFromTheStart(QComboBox* box) {
    if (QLineEdit* edit = box->lineEdit())
        edit->setCursorPosition(0);
}
} // namespace

void ExamWindow::setUp() {
    sendLeftOverAnswers();
    // A candidate's login on a classroom server sits as that candidate, under the list's name.
    if (m_app.login.candidate()) {
        考号组合框->setEditText(m_app.login.login);
        考号组合框->setEnabled(false);
        showFromTheStart(考号组合框);
        if (!m_app.login.name.isEmpty()) {
            姓名编辑框->setText(m_app.login.name);
            姓名编辑框->setReadOnly(true);
        }
    }
    m_app.currentWorkWindow = this;
    setWindowTextSize(m_app.textFormat);
    applyTextFormat();
    m_host.placeAndLayout(*this);
}

void ExamWindow::layoutControls(int W, int H) {
    if (题目区高级选择夹)
        layoutAnswerArea(W, H);
}

bool ExamWindow::randomOrder() const {
    return m_app.exam.orderMode == QStringLiteral("随机");
}
const QList<int>& ExamWindow::order() const {
    return m_app.examOrder;
}
qint64 ExamWindow::bound() const {
    return m_app.exam.questionCount;
}

void ExamWindow::showQuestion() {
    const auto q = displayedQuestion();
    if (!q)
        return;
    // On a server bank the questions stay out of sight until the exam starts.
    if (!m_running && m_app.store.dialect() == Dialect::Postgres) {
        RecordSet paper = m_app.store.query(Sql::PaperByCode, {{"code", paperCode()}});
        showPicture(QString());
        题目超级编辑框->setBoxText(QStringLiteral("试卷：%1\n共 %2 题。\n\n按“开始”后显示题目。")
                                       .arg(paper.text("name"))
                                       .arg(m_questions.size()));
        return;
    }
    RecordSet rs = m_app.store.query(Sql::Question, {{"code", paperCode()}, {"n", *q}});
    showPicture(rs.text("pic"));
    题目超级编辑框->setBoxText(formatQuestionText(rs.text("question")));
    const QString student = examKey(考号组合框->currentText());
    const QString state = examKey(场次组合框->currentText());
    if (!student.isEmpty() && !state.isEmpty()) {
        RecordSet a = m_app.store.query(
            Sql::ExamAnswer, {{"code", paperCode()}, {"n", *q}, {"student", student}, {"state", state}});
        答案超级编辑框->setBoxText(a.text("answer"));
    }
    markShown();
}

void ExamWindow::choosePaper() {
    runPicker();
    buildOrder();
}

void ExamWindow::buildOrder() {
    const QString code = paperCode();
    RecordSet paper = m_app.store.query(Sql::PaperByCode, {{"code", code}});
    // No such paper: the settings and the display stay as they were.
    if (paper.atEnd())
        return;
    const int questionCount = int(qBound<qint64>(INT_MIN, paper.integer("chouti"), qint64(INT_MAX)));
    const bool inOrder = paper.flag("paixu");
    QList<qint64> numbers;
    for (RecordSet rs = m_app.store.query(Sql::QuestionsOfPaper, {{"code", code}}); !rs.atEnd();
         rs.moveNext())
        numbers << rs.integer("tihao");
    // In number order the exam runs over questions 1 to its count: one of them at least must be there.
    if (inOrder ? std::none_of(numbers.begin(), numbers.end(),
                               [&](qint64 n) { return n >= 1 && n <= questionCount; })
                : numbers.isEmpty()) {
        refusePaper();
        return;
    }
    ExamSettings& exam = m_app.exam;
    exam.questionCount = questionCount;
    exam.orderMode = inOrder ? QStringLiteral("顺序") : QStringLiteral("随机");
    exam.minutes = int(qBound<qint64>(INT_MIN, paper.integer("kstime"), qint64(INT_MAX)));
    题号编辑框->clear();
    forgetShown();
    m_app.examOrder.clear();
    if (exam.orderMode == QStringLiteral("随机")) {
        const int n = int(numbers.size());
        // A paper asking for more questions than it has (or fewer than one) is sat on what it has.
        if (exam.questionCount < 1 || exam.questionCount > n) {
            const int asked = exam.questionCount;
            exam.questionCount = qBound(1, asked, n);
            MessageBox::info(this,
                             QStringLiteral("本试卷设定抽题 %1 道，题库中有 %2 道，本次考试抽 %3 道题。")
                                 .arg(asked)
                                 .arg(n)
                                 .arg(exam.questionCount));
        }
        m_app.examOrder = randomDraw(exam.questionCount, n, clockSeed(m_app.tickSource(), m_app.seedCounter));
    }
    m_questions = examQuestions();
    if (题号编辑框->text().isEmpty()) {
        题号编辑框->setText(QStringLiteral("1"));
        showQuestion();
    } else if (m_app.store.dialect() == Dialect::Postgres) {
        showQuestion();
    }
}

void ExamWindow::refusePaper() {
    setPaper(QString(), QStringLiteral("请点击选择试卷"));
    m_host.setStatusText(0, QString());
    题号编辑框->clear();
    forgetShown();
    题目超级编辑框->setBoxText(QString());
    答案超级编辑框->setBoxText(QString());
    showPicture(QString());
    untickAll();
    m_app.examOrder.clear();
    m_questions.clear();
    MessageBox::show(this, QStringLiteral("系统消息"), QStringLiteral("不能选择没有题目的试卷"),
                     MessageBox::Icon::Warning, MessageBox::Buttons::Ok);
}

QSet<qint64> ExamWindow::examQuestions() const {
    QSet<qint64> out;
    if (!paperChosen())
        return out;
    const QSet<int> drawn(m_app.examOrder.begin(), m_app.examOrder.end());
    for (RecordSet rs = m_app.store.query(Sql::QuestionsOfPaper, {{"code", paperCode()}}); !rs.atEnd();
         rs.moveNext()) {
        const qint64 n = rs.integer("tihao");
        if (randomOrder() ? drawn.contains(int(n)) : n >= 1 && n <= m_app.exam.questionCount)
            out.insert(n);
    }
    return out;
}

int ExamWindow::savedAnswerCount() const {
    int count = 0;
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it)
        count += m_questions.contains(it.key()) ? 1 : 0;
    return count;
}

std::optional<qint64> ExamWindow::unsavedAnswerPosition() const {
    if (!m_running || m_ended || !shownPosition())
        return std::nullopt;
    const QString text = 答案超级编辑框->boxText();
    const auto q = questionAt(*shownPosition(), randomOrder(), order());
    if (!q || answer::strip(text).isEmpty())
        return std::nullopt;
    const auto saved = m_saved.constFind(*q);
    if (gbk::canEncode(text) && saved != m_saved.cend() && *saved == answer::normalise(text))
        return std::nullopt;
    return shownPosition();
}

void ExamWindow::refillCandidates() {
    fillCandidateList(m_app.store, *考号组合框, paperCode());
}

void ExamWindow::refillSittings() {
    fillSittingList(m_app.store, *场次组合框, paperCode(), 考号组合框->currentText());
}

void fillCandidateList(Store& store, QComboBox& box, const QString& code) {
    if (code.isEmpty())
        return;
    box.clear();
    for (RecordSet rs = store.query(Sql::Candidates, {{"code", code}}); !rs.atEnd(); rs.moveNext())
        box.addItem(rs.text("student"));
}

void fillSittingList(Store& store, QComboBox& box, const QString& code, const QString& typedStudent) {
    const QString student = examKey(typedStudent);
    if (student.isEmpty())
        return;
    box.clear();
    for (RecordSet rs = store.query(Sql::Sittings, {{"code", code}, {"student", student}}); !rs.atEnd();
         rs.moveNext())
        box.addItem(rs.text("state"));
}

void ExamWindow::start() {
    if (!paperChosen()) {
        MessageBox::info(this, QStringLiteral("请先选择试卷"));
        return;
    }
    const QString student = examKey(考号组合框->currentText());
    const QString state = examKey(场次组合框->currentText());
    if (student.isEmpty()) {
        MessageBox::info(this, QStringLiteral("请填考号"));
        return;
    }
    if (state.isEmpty()) {
        MessageBox::info(this, QStringLiteral("请填场次"));
        return;
    }
    // The bank may have changed since the paper was chosen (in another program window).
    m_questions = examQuestions();
    if (m_questions.isEmpty()) {
        MessageBox::info(this, QStringLiteral("本试卷没有题目，不能开始考试。请选择有题目的试卷。"));
        return;
    }
    // The first exam on a bank file gives its answers their unique key and its sittings the claim
    // table; what that changed or found is told once.
    if (const QStringList told = m_app.store.prepareForExams(); !told.isEmpty())
        MessageBox::info(this, told.join(QStringLiteral("\n\n")));
    // A sitting being sat on another computer is named as such, before it reads as handed in.
    const sittingclaim::Key key{paperCode(), student, state};
    const QString owner = sittingclaim::newOwner();
    const sittingclaim::Result claim = sittingclaim::claim(m_app.store, key, owner);
    if (claim.outcome == sittingclaim::Outcome::HeldElsewhere) {
        MessageBox::info(this, sittingclaim::heldElsewhereText(key, claim));
        return;
    }
    if (claim.outcome == sittingclaim::Outcome::Failed) {
        MessageBox::warn(this, QStringLiteral("考试没有开始：%1").arg(claim.error));
        return;
    }
    RecordSet rs = m_app.store.query(Sql::SittingAnswerCount,
                                     {{"code", paperCode()}, {"student", student}, {"state", state}});
    if (std::fabs(rs.number(1)) > 1e-7) {
        sittingclaim::release(m_app.store, key, owner);
        MessageBox::info(this, QStringLiteral("该考生该场次已交卷,想重新作答请换场次"));
        return;
    }
    if (claim.outcome == sittingclaim::Outcome::Claimed) {
        m_claimKey = key;
        m_claimOwner = owner;
        m_claimTimer->start();
    }
    if (m_app.store.dialect() == Dialect::Postgres) {
        m_journal = std::make_unique<AnswerJournal>(
            m_app.programDir, AnswerJournal::Sitting{m_app.store.fullName(), paperCode(), student, state});
        m_journalTimer->start();
    }
    // The key as it is kept, without spaces.
    考号组合框->setEditText(student);
    场次组合框->setEditText(state);
    试卷超级按钮->setEnabled(false);
    考号组合框->setEnabled(false);
    场次组合框->setEnabled(false);
    // Fixed now: the numbers are read from their first character, however narrow the window.
    showFromTheStart(考号组合框);
    showFromTheStart(场次组合框);
    开始按钮->setEnabled(false);
    答案超级编辑框->setEnabled(true);
    保存按钮->setEnabled(true);
    m_running = true;
    a11y::announce(this, QStringLiteral("考试开始，") +
                             (m_app.exam.minutes > 0 ? QStringLiteral("限时 %1 分钟").arg(m_app.exam.minutes)
                                                     : QStringLiteral("不限时")));
    // Every exam's clock starts from nothing, whatever an earlier exam left.
    m_app.clockSeconds = 0;
    m_app.clockTotal = 0;
    m_saved.clear();
    m_toldFiveMinutes = false;
    m_toldLastMinute = false;
    showExamProgress();
    if (m_app.store.dialect() == Dialect::Postgres)
        showQuestion();
    describeQuestion();
    时钟1->start(1000);
}

void ExamWindow::showExamProgress() {
    if (m_running && !m_ended) {
        const int waiting = waitingAnswers();
        m_host.setStatusText(2, examProgressText(m_app.exam.minutes, m_app.clockTotal, savedAnswerCount(),
                                                 int(m_questions.size())) +
                                    (waiting ? QStringLiteral("，%1 个答案等待送到服务器").arg(waiting) : QString()));
    }
}

void ExamWindow::warnTimeLeft() {
    const qint64 allowed = qint64(m_app.exam.minutes) * 60;
    const qint64 left = allowed - m_app.clockTotal;
    if (left <= 0)
        return;
    QString text, spoken;
    // Told once each, and only in an exam longer than the time told.
    if (!m_toldFiveMinutes && allowed > 300 && left <= 300) {
        m_toldFiveMinutes = true;
        text = QStringLiteral("考试还剩 5 分钟。没有保存的答案不计分，请及时保存。");
        spoken = QStringLiteral("考试还剩五分钟。");
    } else if (!m_toldLastMinute && allowed > 60 && left <= 60) {
        m_toldLastMinute = m_toldFiveMinutes = true;
        text = QStringLiteral("考试还剩最后 1 分钟。没有保存的答案不计分，请及时保存。");
        spoken = QStringLiteral("考试还剩最后一分钟。");
    } else {
        return;
    }
    a11y::announce(this, text);
    describeQuestion();
    // The own voice too only when no screen reader tells it, or the user chose both.
    if (m_app.reader && a11y::useOwnVoice())
        m_app.reader->announce(spoken);
    // The clock goes on while the message is open.
    MessageBox::info(this, text);
}

void ExamWindow::tick() {
    if (m_ended)
        return;
    if (m_app.clockSeconds >= 0 && m_app.clockSeconds < 59)
        ++m_app.clockSeconds;
    else if (m_app.clockSeconds == 59)
        m_app.clockSeconds = 0;
    ++m_app.clockTotal;
    m_host.setStatusText(1, clockText(m_app.exam.minutes, m_app.clockTotal, m_app.clockSeconds));
    showExamProgress();
    if (std::fabs(double(m_app.clockTotal) - double(m_app.exam.minutes) * 60.0) > 1e-7) {
        warnTimeLeft();
        return;
    }
    // Time is up: the clock stops here, so no later tick can end the exam a second time.
    时钟1->stop();
    MessageBox::info(this, QStringLiteral("时间到！交卷后系统自动生成答题卡,请进入交卷窗口按考号调取"));
    endExam(true);
}

void ExamWindow::save() {
    if (m_ended || !storeAnswer())
        return;
    // The boxes follow the answer box: the next question's answer, or this one's on the last.
    syncOptionBoxes();
    next();
}

bool ExamWindow::storeAnswer() {
    const QString stripped = answer::strip(答案超级编辑框->boxText());
    const bool onScreen = settleOnShownQuestion();
    if (!stripped.isEmpty()) {
        if (!onScreen && !requireShownQuestion())
            return false;
        const auto q = displayedQuestion();
        if (!q) {
            tellBadPosition();
            return false;
        }
        if (!gbk::canEncode(答案超级编辑框->boxText())) {
            tellUnsavableAnswer();
            return false;
        }
        const QString code = paperCode();
        const QString student = examKey(考号组合框->currentText());
        const QString state = examKey(场次组合框->currentText());
        const QString a = answer::normalise(答案超级编辑框->boxText());
        const Params key = {{"code", code}, {"n", *q}, {"student", student}, {"state", state}};
        bool saved;
        // Answers kept while the server was away go first, so that this one is the last word.
        sendWaitingAnswers();
        if (m_app.store.uniqueAnswers()) {
            // One statement: the row of this key is added or its answer replaced, never both, so
            // a save repeated after a failure, or made on two computers at once, stores one row.
            saved = m_app.store.execute(Sql::SaveExamAnswer, {{"n", *q},
                                                              {"code", code},
                                                              {"answer", a},
                                                              {"student", student},
                                                              {"name", examKey(姓名编辑框->text())},
                                                              {"state", state}});
        } else if (RecordSet rs = m_app.store.query(Sql::ExamAnswerCount, key);
                   std::fabs(rs.number(1)) > 1e-7) {
            Params update = key;
            update.prepend({"answer", a});
            saved = m_app.store.execute(Sql::UpdateExamAnswer, update);
        } else {
            saved = m_app.store.appendRow(QStringLiteral("评分"), {{"tihao", *q},
                                                                   {"code", code},
                                                                   {"answer", a},
                                                                   {"student", student},
                                                                   {"xingming", examKey(姓名编辑框->text())},
                                                                   {"state", state}});
        }
        // The server is out of reach: the answer waits in the local file and goes by itself.
        if (!saved && m_journal && m_app.store.connectionLost() && m_journal->add(*q, a, examKey(姓名编辑框->text())))
            saved = true;
        if (!saved) {
            // The answer stays in the box: saving again once the store is back stores it.
            MessageBox::warn(
                this,
                m_app.store.connectionLost()
                    ? QStringLiteral("答案没有保存：%1\n答案还在答案框中，等服务器恢复后再按“保存”即可。")
                          .arg(m_app.store.lastError())
                    : QStringLiteral("答案没有保存：%1").arg(m_app.store.lastError()));
            return false;
        }
        m_saved.insert(*q, a);
        showExamProgress();
    }
    return true;
}

void ExamWindow::handIn() {
    if (m_ended)
        return;
    // Hand-in stores nothing itself: an answer left in the box is saved only when the user says so.
    if (const auto unsaved = unsavedAnswerPosition()) {
        const int choice = MessageBox::choose(
            this, QStringLiteral("第 %1 题的答案还没有保存。\n交卷只计已保存的答案。").arg(*unsaved),
            {QStringLiteral("保存后交卷"), QStringLiteral("不保存，交卷"), QStringLiteral("返回")});
        if (m_ended || (choice != 0 && choice != 1))
            return;
        if (choice == 0 && (!storeAnswer() || m_ended))
            return;
    }
    // Answers that have not reached the server yet: the hand-in waits unless the user says otherwise.
    if (sendWaitingAnswers() > 0) {
        QStringList numbers;
        for (const qint64 n : m_journal->pending().keys())
            numbers << QString::number(n);
        const int choice = MessageBox::choose(
            this,
            QStringLiteral("第 %1 题的答案还没有送到题库服务器（保存在本机文件 %2 中，服务器恢复后自动送出）。\n"
                           "交卷只计服务器上的答案。")
                .arg(numbers.join(QStringLiteral("、")), m_journal->path()),
            {QStringLiteral("等服务器恢复"), QStringLiteral("仍然交卷")});
        if (m_ended || choice != 1)
            return;
    }
    QString question =
        QStringLiteral("交卷后系统自动生成答题卡,请进入交卷窗口按考号保存并上交,确定交卷并退出?");
    if (!m_questions.isEmpty())
        question += QStringLiteral("\n本次考试共 %1 题，已保存答案的有 %2 题。")
                        .arg(m_questions.size())
                        .arg(savedAnswerCount());
    const bool ok = MessageBox::confirm(this, question);
    // The time may have run out while the question was open: the exam has ended already.
    if (!ok || m_ended)
        return;
    endExam(false);
}

void ExamWindow::endExam(bool timedOut) {
    if (m_ended)
        return;
    m_ended = true;
    m_running = false;
    Q_UNUSED(timedOut);
    时钟1->stop();
    m_journalTimer->stop();
    sendWaitingAnswers();
    // A candidate hands in on the server: from now on the sitting's answers are final there.
    if (m_app.login.candidate() && !m_claimOwner.isEmpty()) {
        QString error;
        if (!seat::handIn(m_app.store, paperCode(), m_claimKey.state, &error))
            MessageBox::warn(this, QStringLiteral("交卷没有记入题库服务器：%1\n已保存的答案都在服务器上，"
                                                  "请告诉监考老师。")
                                       .arg(error));
    }
    releaseClaim();
    m_app.clockSeconds = 0;
    m_app.clockTotal = 0;
    m_host.setStatusText(0, QString());
    m_host.setStatusText(1, QString());
    m_host.setStatusText(2, QString());
    m_app.handIn = {paperCode(), examKey(考号组合框->currentText()), examKey(场次组合框->currentText()),
                    姓名编辑框->text()};
    m_host.showExamResult();
    // A dialog of this window may still be open (the font dialog, or the hand-in question when
    // the time ran out): the window goes once it has been closed.
    close();
}
