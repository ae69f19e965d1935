#include "answering/AnswerWindow.h"

#include "answering/AnswerText.h"
#include "shell/AppState.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionText.h"
#include "ui/Accessibility.h"
#include "ui/Controls.h"
#include "ui/FontChooser.h"
#include "ui/Gbk.h"
#include "ui/KeyBindings.h"
#include "ui/MessageBox.h"
#include "ui/PictureView.h"
#include "ui/RichBox.h"
#include "ui/UserSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>
#include <cmath>

namespace {
QString digitsOf(const QString& text) {
    QString digits;
    for (const QChar c : text)
        if (c.isDigit() && c.digitValue() >= 0 && c.digitValue() <= 9)
            digits += QChar(u'0' + c.digitValue());
    return digits;
}
} // namespace

AnswerWindow::AnswerWindow(AppState& app, WorkHost& host, Kind kind, QWidget* parent)
    : WorkWindow(app, host, kind, parent), m_keys(new KeyBindings(this)) {}

// Places are drawn in the tab control's coordinates; a page starts below the tab bar and the
// pane's edge.
void AnswerWindow::placeOnPage(QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(x, y - m_pageTop, width, height);
}

void AnswerWindow::buildAnswerControls(const Places& places) {
    试卷编码透明标签 = new QLabel(this);
    试卷编码透明标签->setObjectName(QStringLiteral("试卷编码透明标签"));
    试卷编码透明标签->setGeometry(-100, -100, 48, 20);
    试卷编码透明标签->hide();

    题目区高级选择夹 = new QTabWidget(this);
    题目区高级选择夹->setObjectName(QStringLiteral("题目区高级选择夹"));
    题目区高级选择夹->setGeometry(places.tabs);
    auto* textPage = new QWidget;
    auto* picturePage = new QWidget;
    题目区高级选择夹->addTab(textPage, QStringLiteral("文字"));
    题目区高级选择夹->addTab(picturePage, QStringLiteral("图片"));
    题目区高级选择夹->ensurePolished();
    m_pageTop = 题目区高级选择夹->tabBar()->sizeHint().height() + 1;
    题目超级编辑框 = new RichBox(textPage);
    题目超级编辑框->setObjectName(QStringLiteral("题目超级编辑框"));
    placeOnPage(题目超级编辑框, 8, 32, places.tabs.width() - 16, 224);
    图片框1 = new QLabel(picturePage);
    图片框1->setObjectName(QStringLiteral("图片框1"));
    图片框1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeOnPage(图片框1, 8, 32, places.tabs.width() - 16, 208);
    图片框1->installEventFilter(this);

    答题区分组框 = new QGroupBox(this);
    答题区分组框->setObjectName(QStringLiteral("答题区分组框"));
    答题区分组框->setGeometry(places.group);
    答案超级编辑框 = new RichBox(答题区分组框);
    答案超级编辑框->setObjectName(QStringLiteral("答案超级编辑框"));
    答案超级编辑框->setGeometry(places.answer);
    答案超级编辑框->setLineWrapMode(QTextEdit::NoWrap);
    connect(答案超级编辑框, &QTextEdit::textChanged, this, &AnswerWindow::syncOptionBoxes);

    struct Option {
        QCheckBox** box;
        const char* name;
        const char* caption;
        int left;
    };
    const Option options[] = {
        {&选择框A, "选择框A", "A", 71},     {&选择框B, "选择框B", "B", 117},
        {&选择框C, "选择框C", "C", 157},    {&选择框D, "选择框D", "D", 197},
        {&选择框E, "选择框E", "E", 237},    {&选择框F, "选择框F", "F", 277},
        {&选择框G, "选择框G", "G", 317},    {&选择框对, "选择框对", "对", 359},
        {&选择框错, "选择框错", "错", 402},
    };
    for (const Option& o : options) {
        auto* box = new QCheckBox(QString::fromUtf8(o.caption), 答题区分组框);
        box->setObjectName(QString::fromUtf8(o.name));
        box->setGeometry(o.left, 90, 30, 16);
        box->setFont(QFont(QStringLiteral("宋体")));
        *o.box = box;
        m_options << box;
        // The toggle runs after the box has changed state: by a click, its key, or a screen
        // reader's toggle action (which changes the state without a click). The boxes following
        // the answer box change nothing back.
        connect(box, &QCheckBox::toggled, this, [this, box] {
            if (!m_syncingBoxes)
                toggleOption(box);
        });
    }
    保存按钮 = makeButton(答题区分组框, QStringLiteral("保存按钮"), QStringLiteral("保存"));
    // Right of the tick boxes: at its drawn place (382) it would cover the "对" and "错" boxes.
    保存按钮->setGeometry(445, 86, 40, 20);
    首记录按钮 = makeButton(答题区分组框, QStringLiteral("首记录按钮"), QStringLiteral("|<"));
    首记录按钮->setGeometry(places.first, 86, 20, 20);
    上一记录按钮 = makeButton(答题区分组框, QStringLiteral("上一记录按钮"), QStringLiteral("<"));
    上一记录按钮->setGeometry(places.previous, 86, 20, 20);
    题号编辑框 = new QLineEdit(答题区分组框);
    题号编辑框->setObjectName(QStringLiteral("题号编辑框"));
    题号编辑框->setGeometry(places.number, 88, 32, 16);
    题号编辑框->setAlignment(Qt::AlignCenter);
    // Only a question number can be typed or pasted: what is no digit is left out as it comes
    // (full-width digits count as digits).
    connect(题号编辑框, &QLineEdit::textEdited, this, [this](const QString& typed) {
        const QString digits = digitsOf(typed);
        if (digits == typed)
            return;
        const int cursor = int(digitsOf(typed.left(题号编辑框->cursorPosition())).size());
        题号编辑框->setText(digits);
        题号编辑框->setCursorPosition(cursor);
    });
    下一记录按钮 = makeButton(答题区分组框, QStringLiteral("下一记录按钮"), QStringLiteral(">"));
    下一记录按钮->setGeometry(places.next, 86, 20, 20);
    尾记录按钮 = makeButton(答题区分组框, QStringLiteral("尾记录按钮"), QStringLiteral(">|"));
    尾记录按钮->setGeometry(places.last, 86, 20, 20);

    题号编辑框->setToolTip(QStringLiteral("题号：输入后按回车显示该题"));

    connect(题号编辑框, &QLineEdit::editingFinished, this, &AnswerWindow::goToTypedPosition);
    connect(首记录按钮, &QPushButton::clicked, this, &AnswerWindow::first);
    connect(上一记录按钮, &QPushButton::clicked, this, &AnswerWindow::previous);
    connect(下一记录按钮, &QPushButton::clicked, this, &AnswerWindow::next);
    connect(尾记录按钮, &QPushButton::clicked, this, &AnswerWindow::last);
}

void AnswerWindow::bindKeys() {
    // A number typed into the question box is gone to first, as a click on a button would do.
    auto goToTyped = [this] {
        if (QApplication::focusWidget() == 题号编辑框)
            goToTypedPosition();
    };
    KeyBindings& k = *m_keys;
    k.bind(首记录按钮, {QKeySequence(Qt::CTRL | Qt::Key_Home)}, QStringLiteral("第一题"), goToTyped);
    k.bind(上一记录按钮, {QKeySequence(Qt::Key_PageUp)}, QStringLiteral("上一题"), goToTyped);
    k.bind(下一记录按钮, {QKeySequence(Qt::Key_PageDown)}, QStringLiteral("下一题"), goToTyped);
    k.bind(尾记录按钮, {QKeySequence(Qt::CTRL | Qt::Key_End)}, QStringLiteral("最后一题"), goToTyped);
    k.bind(保存按钮, {QKeySequence(Qt::CTRL | Qt::Key_Enter), QKeySequence(Qt::CTRL | Qt::Key_Return)},
           QStringLiteral("保存答案并显示下一题"));
    const Qt::Key letters[] = {Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_D, Qt::Key_E, Qt::Key_F, Qt::Key_G};
    for (int i = 0; i < 7; ++i)
        k.bind(m_options[i], {QKeySequence(Qt::ALT | letters[i])},
               QStringLiteral("勾选或取消选项 %1").arg(m_options[i]->text()));
    k.bind(选择框对, {QKeySequence(Qt::ALT | Qt::Key_Y)}, QStringLiteral("勾选或取消“对”"));
    k.bind(选择框错, {QKeySequence(Qt::ALT | Qt::Key_N)}, QStringLiteral("勾选或取消“错”"));
    // The tabs of the question area: Alt+1 … (Ctrl+1 … switch the work windows). The keyboard
    // goes into the page chosen.
    for (int tab = 0; tab < 题目区高级选择夹->count() && tab < 9; ++tab) {
        const QKeySequence key(Qt::ALT | Qt::Key(Qt::Key_1 + tab));
        k.bind({key}, [this, tab] {
            题目区高级选择夹->setCurrentIndex(tab);
            if (QWidget* into = pageFocus(tab); into && into->isVisibleTo(this))
                into->setFocus(Qt::ShortcutFocusReason);
            else
                题目区高级选择夹->tabBar()->setFocus(Qt::ShortcutFocusReason);
        });
        if (题目区高级选择夹->tabToolTip(tab).isEmpty())
            题目区高级选择夹->setTabToolTip(tab, withKey(题目区高级选择夹->tabText(tab), key));
    }
    k.bind({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
           [this] { zoomText(+1); });
    k.bind({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { zoomText(-1); });
    k.bind({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { zoomText(0); });
    k.bind({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H)}, [this] { toggleContrast(); });
    k.bind({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)}, [this] { toggleVoice(); });
    k.watchControls();
    // The picture page: Enter shows the picture at full size.
    图片框1->setFocusPolicy(Qt::StrongFocus);
    describeControls();
}

// The answer rules work on GBK bytes: a character GBK has no code for would come back as "?".
void AnswerWindow::toggleOption(QCheckBox* box) {
    const QString text = 答案超级编辑框->boxText();
    if (!gbk::canEncode(text)) {
        {
            const QScopedValueRollback<bool> syncing(m_syncingBoxes, true);
            box->setChecked(!box->isChecked());
        }
        MessageBox::info(this, QStringLiteral("答案框中有不能保存的字符，请先删去这些字符，再勾选选项。"));
        return;
    }
    答案超级编辑框->setBoxText(answer::toggle(text, box->text(), box->isChecked()));
    // Ticked by its key the box has no focus: the screen reader is told its state.
    if (QApplication::focusWidget() != box)
        a11y::announce(this, (box->isChecked() ? QStringLiteral("已勾选 ") : QStringLiteral("已取消 ")) +
                                 box->text() + QStringLiteral("，答案 ") +
                                 (answer::strip(答案超级编辑框->boxText()).isEmpty()
                                      ? QStringLiteral("空")
                                      : 答案超级编辑框->boxText()));
}

void AnswerWindow::markShown() {
    m_shownPosition = displayPosition();
    describeQuestion();
    const QString question = 题目超级编辑框->boxText().left(400);
    QString told = 题目超级编辑框->accessibleDescription() + QStringLiteral("：") + question;
    if (!m_notice.isEmpty())
        told = m_notice + QStringLiteral("。") + told;
    m_notice.clear();
    a11y::announce(this, told);
}

QWidget* AnswerWindow::pageFocus(int tab) const {
    return tab == 0 ? static_cast<QWidget*>(题目超级编辑框) : tab == 1 ? 图片框1 : nullptr;
}

void AnswerWindow::tellPendingNotice() {
    if (!m_notice.isEmpty())
        a11y::announce(this, m_notice);
    m_notice.clear();
}

void AnswerWindow::describeQuestion() {
    const QString where = m_shownPosition ? a11y::positionText(*m_shownPosition, bound(), timeLeftText())
                                          : QStringLiteral("没有显示题目");
    a11y::describe(题目超级编辑框, QStringLiteral("题目"), where);
}

void AnswerWindow::describeControls() {
    auto key = [](QWidget* w) { return w->toolTip(); };
    a11y::describe(首记录按钮, QStringLiteral("第一题"), key(首记录按钮));
    a11y::describe(上一记录按钮, QStringLiteral("上一题"), key(上一记录按钮));
    a11y::describe(下一记录按钮, QStringLiteral("下一题"), key(下一记录按钮));
    a11y::describe(尾记录按钮, QStringLiteral("最后一题"), key(尾记录按钮));
    a11y::describe(保存按钮, QStringLiteral("保存"), key(保存按钮));
    for (QCheckBox* box : m_options)
        a11y::describe(box, box->text(), key(box));
    a11y::describe(题号编辑框, QStringLiteral("题号"), QStringLiteral("输入题号后按回车显示该题"));
    a11y::describe(答案超级编辑框, QStringLiteral("答案"),
                   QStringLiteral("填写选项字母或“对”“错”，也可用 Alt+字母勾选；Ctrl+回车保存"));
    a11y::describe(题目区高级选择夹, QStringLiteral("题目区"),
                   QStringLiteral("Alt+1 至 Alt+%1 切换页").arg(题目区高级选择夹->count()));
    a11y::describe(图片框1, QStringLiteral("图片"), QStringLiteral("回车按原大小查看图片"));
    a11y::describe(答题区分组框, QStringLiteral("答题区"));
    describeQuestion();
    namePaperButton();
}

void AnswerWindow::namePaperButton() {
    a11y::describe(试卷超级按钮, QStringLiteral("试卷：") + 试卷超级按钮->text(),
                   QStringLiteral("选择试卷（打开试卷列表，方向键选择，回车确定，Esc 取消）"));
}

void AnswerWindow::zoomText(int direction) {
    const int steps = direction == 0 ? 0 : a11y::textZoom() + direction;
    a11y::setTextZoom(steps);
    applyTextFormat();
    a11y::announce(this, QStringLiteral("文字大小 %1 磅")
                             .arg(a11y::zoomedSize(m_app.textFormat.size, a11y::textZoom())));
}

void AnswerWindow::toggleContrast() {
    const bool on = !a11y::highContrast();
    a11y::setHighContrast(on);
    a11y::announce(this, on ? QStringLiteral("高对比度：开") : QStringLiteral("高对比度：关"));
}

void AnswerWindow::toggleVoice() {
    const bool on = !a11y::voiceWithScreenReader();
    a11y::setVoiceWithScreenReader(on);
    a11y::announce(this, on ? QStringLiteral("读屏时程序也朗读判题和提醒：开")
                            : QStringLiteral("读屏时程序也朗读判题和提醒：关，由读屏软件播报"));
}

bool AnswerWindow::settleOnShownQuestion() {
    if (!m_shownPosition)
        return false;
    if (displayPosition() != m_shownPosition)
        题号编辑框->setText(QString::number(*m_shownPosition));
    return true;
}

bool AnswerWindow::requireShownQuestion() {
    if (settleOnShownQuestion())
        return true;
    if (!displayedQuestion())
        tellBadPosition();
    else
        MessageBox::info(
            this, QStringLiteral("第 %1 题还没有显示，答案没有保存。请在题号框中按回车显示该题后再保存。")
                      .arg(*displayPosition()));
    return false;
}

void AnswerWindow::goToTypedPosition() {
    if (m_goingToTyped || !paperChosen())
        return;
    const auto typed = displayPosition();
    if (typed && typed == m_shownPosition)
        return;
    // Pressing 保存 acts on the question on screen; the typed number is put back by the save.
    if (QApplication::focusWidget() == 保存按钮)
        return;
    m_goingToTyped = true;
    auto putBack = [this] {
        题号编辑框->setText(m_shownPosition ? QString::number(*m_shownPosition) : QString());
    };
    const qint64 B = bound();
    if (题号编辑框->text().trimmed().isEmpty()) {
        // An emptied box is no number typed: it shows the question on screen again.
        putBack();
    } else if (!typed || !displayedQuestion()) {
        tellBadPosition();
        putBack();
    } else if (*typed < 1 || *typed > B) {
        MessageBox::info(this, QStringLiteral("题号 %1 超出本试卷的题目范围（1～%2），请重新输入题号。")
                                   .arg(*typed)
                                   .arg(qMax<qint64>(B, 1)));
        putBack();
    } else {
        RecordSet rs =
            m_app.store.query(Sql::QuestionExists, {{"code", paperCode()}, {"n", *displayedQuestion()}});
        if (!m_app.store.lastQuerySucceeded()) {
            MessageBox::warn(this, QStringLiteral("无法显示第 %1 题：%2")
                                       .arg(*displayedQuestion())
                                       .arg(m_app.store.lastError()));
            putBack();
        } else if (std::fabs(rs.number(1)) <= 1e-7) {
            MessageBox::info(this, QStringLiteral("本试卷没有第 %1 题。").arg(*displayedQuestion()));
            putBack();
        } else {
            showQuestion();
        }
    }
    m_goingToTyped = false;
}

QList<QCheckBox*> AnswerWindow::optionBoxes() const {
    return m_options;
}

QList<RichBox*> AnswerWindow::formattedBoxes() const {
    return {题目超级编辑框, 答案超级编辑框};
}

QString AnswerWindow::paperCode() const {
    return 试卷编码透明标签->text();
}

bool AnswerWindow::paperChosen() const {
    return 试卷超级按钮->text() != QStringLiteral("请点击选择试卷");
}

std::optional<qint64> AnswerWindow::displayPosition() const {
    return parseDisplayNumber(题号编辑框->text());
}

std::optional<qint64> AnswerWindow::displayedQuestion() const {
    const auto n = displayPosition();
    if (!n)
        return std::nullopt;
    return questionAt(*n, randomOrder(), order());
}

void AnswerWindow::tellBadPosition() {
    if (!displayPosition())
        MessageBox::info(this, QStringLiteral("题号“%1”不是有效的数字，请在题号框中输入题号。")
                                   .arg(题号编辑框->text().left(40)));
    else
        MessageBox::info(this, QStringLiteral("题号 %1 超出本试卷的题目范围（1～%2），请重新输入题号。")
                                   .arg(*displayPosition())
                                   .arg(order().size()));
}

void AnswerWindow::tellUnsavableAnswer() {
    MessageBox::info(
        this, QStringLiteral("答案中有不能保存的字符，答案没有保存。请只填写选项字母（A～G）或“对”“错”。"));
}

void AnswerWindow::showPicture(const QString& pic) {
    m_picture = QPixmap();
    const QString path = picturePath(m_app.programDir, pic);
    if (!path.isEmpty()) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage image = reader.read();
        if (!image.isNull())
            m_picture = QPixmap::fromImage(image);
    }
    m_pictureNote = !m_picture.isNull()       ? QString()
                    : pic.trimmed().isEmpty() ? QStringLiteral("本题没有图片")
                                              : QStringLiteral("本题的图片无法显示");
    fitPicture();
}

void AnswerWindow::clearPicture() {
    m_picture = QPixmap();
    m_pictureNote.clear();
    fitPicture();
}

void AnswerWindow::fitPicture() {
    // Seen from the 文字 tab: the 图片 tab is marked while the question has a picture.
    const QString tabCaption = m_picture.isNull() ? QStringLiteral("图片") : QStringLiteral("图片 ●");
    if (题目区高级选择夹->tabText(1) != tabCaption) {
        题目区高级选择夹->setTabText(1, tabCaption);
        题目区高级选择夹->setTabToolTip(1, m_picture.isNull() ? QString() : QStringLiteral("本题有图片"));
    }
    if (m_picture.isNull()) {
        图片框1->clear();
        图片框1->setAlignment(Qt::AlignCenter);
        图片框1->setText(m_pictureNote);
        图片框1->unsetCursor();
        图片框1->setToolTip(QString());
        return;
    }
    图片框1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QSize room = 图片框1->size();
    if (m_picture.width() > room.width() || m_picture.height() > room.height())
        图片框1->setPixmap(m_picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        图片框1->setPixmap(m_picture);
    图片框1->setCursor(Qt::PointingHandCursor);
    图片框1->setToolTip(QStringLiteral("点击按原大小查看图片"));
}

void AnswerWindow::showPictureFullSize() {
    if (!m_picture.isNull())
        PictureView::showFullSize(this, m_picture, QStringLiteral("第%1题的图片").arg(题号编辑框->text()));
}

bool AnswerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == 图片框1 && event->type() == QEvent::KeyPress && !m_picture.isNull()) {
        const int k = static_cast<QKeyEvent*>(event)->key();
        if (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Space) {
            showPictureFullSize();
            return true;
        }
    }
    if (watched == 图片框1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !m_picture.isNull()) {
        showPictureFullSize();
        return true;
    }
    return WorkWindow::eventFilter(watched, event);
}

void AnswerWindow::first() {
    if (!paperChosen())
        return;
    题号编辑框->setText(QStringLiteral("1"));
    showQuestion();
}

void AnswerWindow::last() {
    if (!paperChosen())
        return;
    题号编辑框->setText(QString::number(bound()));
    showQuestion();
}

void AnswerWindow::previous() {
    step(-1);
}
void AnswerWindow::next() {
    step(+1);
}

// Moves the display position one question at a time towards the bound (next) or 1 (previous),
// skipping numbers that have no question. Long runs of missing numbers are skipped in one go,
// with the paper's question numbers read once, so the window never stalls.
bool AnswerWindow::step(int direction) {
    if (!paperChosen())
        return false;
    const QString code = paperCode();
    const qint64 B = bound();
    auto canMove = [&](qint64 n) {
        return direction > 0 ? double(B) - double(n) > 1e-7 : double(n - 1) > 1e-7;
    };
    // A read that failed (the server is out of reach) is no missing question: the window stays
    // on the question it shows and says why, rather than running on to the end of the paper.
    auto unreadable = [&] {
        if (m_app.store.lastQuerySucceeded())
            return false;
        题号编辑框->setText(m_shownPosition ? QString::number(*m_shownPosition) : QString());
        MessageBox::warn(this, QStringLiteral("无法显示%1：%2")
                                   .arg(direction > 0 ? QStringLiteral("下一题") : QStringLiteral("上一题"),
                                        m_app.store.lastError()));
        return true;
    };
    auto exists = [&](qint64 position) {
        const auto q = questionAt(position, randomOrder(), order());
        if (!q)
            return false;
        RecordSet rs = m_app.store.query(Sql::QuestionExists, {{"code", code}, {"n", *q}});
        return std::fabs(rs.number(1)) > 1e-7;
    };
    for (int tries = 0; tries < 64; ++tries) {
        const qint64 n = displayPosition().value_or(0);
        if (!canMove(n))
            return false;
        题号编辑框->setText(QString::number(n + direction));
        if (exists(n + direction)) {
            showQuestion();
            return true;
        }
        if (unreadable())
            return false;
    }
    // A long gap: find the next position with a question among the paper's own numbers.
    const qint64 n = displayPosition().value_or(0);
    if (!canMove(n))
        return false;
    QSet<qint64> numbers;
    RecordSet rs = m_app.store.query(Sql::QuestionsOfPaper, {{"code", code}});
    if (unreadable())
        return false;
    for (; !rs.atEnd(); rs.moveNext())
        numbers.insert(rs.integer("tihao"));
    std::optional<qint64> target;
    if (!randomOrder()) {
        for (qint64 t : numbers)
            if (direction > 0 ? (t > n && t <= B && (!target || t < *target))
                              : (t >= 1 && t < n && (!target || t > *target)))
                target = t;
    } else {
        const QList<int>& list = order();
        for (qint64 p = 1; p <= list.size(); ++p)
            if ((direction > 0 ? (p > n && p <= B) : (p >= 1 && p < n)) &&
                numbers.contains(list[int(p - 1)]) &&
                (!target || (direction > 0 ? p < *target : p > *target)))
                target = p;
    }
    if (!target) {
        题号编辑框->setText(QString::number(direction > 0 ? qMax(B, n) : 1));
        return false;
    }
    题号编辑框->setText(QString::number(*target));
    showQuestion();
    return true;
}

void AnswerWindow::untickAll() {
    const QScopedValueRollback<bool> syncing(m_syncingBoxes, true);
    for (QCheckBox* b : m_options)
        b->setChecked(false);
}

void AnswerWindow::syncOptionBoxes() {
    const QByteArray text = gbk::encode(答案超级编辑框->boxText());
    const QScopedValueRollback<bool> syncing(m_syncingBoxes, true);
    for (QCheckBox* b : m_options)
        b->setChecked(answer::find(text, gbk::encode(b->text())) > 0);
}

void AnswerWindow::applyTextFormat() {
    // The chosen font, larger or smaller by the steps of Ctrl+Plus and Ctrl+Minus.
    SharedTextFormat shown = m_app.textFormat;
    shown.size = a11y::zoomedSize(shown.size, a11y::textZoom());
    for (RichBox* box : formattedBoxes())
        if (box)
            box->applyFormat(shown);
}

void AnswerWindow::chooseFont() {
    SharedTextFormat& f = m_app.textFormat;
    const QFont initial = fontOf(f);
    const auto choice = FontChooser::choose(this, initial, f.color);
    if (!choice)
        return;
    if (choice->font.pointSize() > 0)
        f.size = choice->font.pointSize();
    f.color = choice->color;
    f.style = (choice->font.bold() ? 1 : 0) | (choice->font.italic() ? 2 : 0) |
              (choice->font.underline() ? 4 : 0) | (choice->font.strikeOut() ? 8 : 0);
    f.chosen = true;
    rememberTextFormat(f);
    applyTextFormat();
}

void AnswerWindow::setPaper(const QString& code, const QString& name) {
    试卷编码透明标签->setText(code);
    试卷超级按钮->setText(name);
    namePaperButton();
}

void AnswerWindow::layoutAnswerArea(int W, int H) {
    题目区高级选择夹->resize(W - 20, H - 220);
    题目超级编辑框->resize(W - 40, H - 260);
    if (图片框1->size() != QSize(W - 40, H - 260)) {
        图片框1->resize(W - 40, H - 260);
        fitPicture();
    }
    答题区分组框->setGeometry(答题区分组框->x(), 题目区高级选择夹->height() + 70, W - 20,
                              答题区分组框->height());
    答案超级编辑框->resize(W - 40, 答案超级编辑框->height());
}
