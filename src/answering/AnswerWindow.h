#pragma once

#include "shell/WorkWindow.h"

#include <QList>
#include <QPixmap>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class KeyBindings;
class RichBox;

// What the exam and practice windows share: the paper button, the question tabs, the answer
// area with its option tick boxes, and the navigation row.
class AnswerWindow : public WorkWindow {
    Q_OBJECT
  public:
    AnswerWindow(AppState& app, WorkHost& host, Kind kind, QWidget* parent);

    QString paperCode() const;
    bool paperChosen() const;
    // The display position in the question box, if it is a whole number.
    std::optional<qint64> displayPosition() const;
    // Q(n) for the shown position: nothing when the box holds no number or a position outside
    // the random order.
    std::optional<qint64> displayedQuestion() const;

    // Shows the question at the display position; does nothing without a question number.
    virtual void showQuestion() = 0;
    // Enter in the question box, or leaving it: shows the typed question, or tells why not and
    // puts back the number of the question on screen.
    void goToTypedPosition();
    // The display position of the question on screen, if one is shown.
    std::optional<qint64> shownPosition() const { return m_shownPosition; }
    void first();
    void previous();
    void next();
    void last();
    // Upper bound of the navigation.
    virtual qint64 bound() const = 0;
    virtual bool randomOrder() const = 0;
    virtual const QList<int>& order() const = 0;

    void untickAll();
    // Ticks exactly the boxes whose caption the answer box holds (letters without regard to case).
    // Runs whenever the answer box's text changes, so a shown or typed answer is what is ticked.
    void syncOptionBoxes();
    void applyTextFormat();
    // The font button: size, colour and style bits from the font dialog; the face stays.
    void chooseFont();

    void setPaper(const QString& code, const QString& name);
    // The paper button's accessible name follows its caption: "试卷：<paper name>".
    void namePaperButton();
    // Ctrl+Plus / Ctrl+Minus / Ctrl+0: the question, answer and explanation text a step larger,
    // smaller, or as chosen; remembered.
    void zoomText(int direction);
    // The high-contrast look on or off (remembered); told to the screen reader.
    void toggleContrast();
    // Whether the program's own voice also says verdicts and warnings while a screen reader runs.
    void toggleVoice();
    void receivePaper(const QString& code, const QString& name) override { setPaper(code, name); }

    QPushButton* 试卷超级按钮 = nullptr;
    QLabel* 试卷编码透明标签 = nullptr;
    QTabWidget* 题目区高级选择夹 = nullptr;
    RichBox* 题目超级编辑框 = nullptr;
    QLabel* 图片框1 = nullptr;
    QGroupBox* 答题区分组框 = nullptr;
    RichBox* 答案超级编辑框 = nullptr;
    QCheckBox* 选择框A = nullptr;
    QCheckBox* 选择框B = nullptr;
    QCheckBox* 选择框C = nullptr;
    QCheckBox* 选择框D = nullptr;
    QCheckBox* 选择框E = nullptr;
    QCheckBox* 选择框F = nullptr;
    QCheckBox* 选择框G = nullptr;
    QCheckBox* 选择框对 = nullptr;
    QCheckBox* 选择框错 = nullptr;
    QPushButton* 保存按钮 = nullptr;
    QPushButton* 首记录按钮 = nullptr;
    QPushButton* 上一记录按钮 = nullptr;
    QLineEdit* 题号编辑框 = nullptr;
    QPushButton* 下一记录按钮 = nullptr;
    QPushButton* 尾记录按钮 = nullptr;

    QList<QCheckBox*> optionBoxes() const;
    // The boxes that take the shared text format.
    virtual QList<RichBox*> formattedBoxes() const;

  protected:
    struct Places {
        QRect tabs, group, answer;
        int first, previous, number, next, last;
    };
    void buildAnswerControls(const Places& places);
    // Puts the picture of a bank path into 图片框1, or says that the question has none (or that
    // its picture cannot be shown). The 图片 tab's caption carries a mark while a picture is shown.
    void showPicture(const QString& pic);
    // No question on screen: the picture box is empty and says nothing.
    void clearPicture();
    // Tells the user once that the question box holds no usable number.
    void tellBadPosition();
    // Called by showQuestion once the question at the display position is on screen: the question
    // text's description says where it stands, and the screen reader is told the question.
    void markShown();
    // "第 3 题，共 30 题" into the question text's description (the exam adds the time left).
    void describeQuestion();
    // The time left, for the question's description ("剩余 47:55"); empty without a clock.
    virtual QString timeLeftText() const { return QString(); }
    // Told together with the next question shown (a verdict ahead of the question it leads to) ...
    void tellWithNextQuestion(const QString& notice) { m_notice = notice; }
    // ... or on its own when no question followed.
    void tellPendingNotice();
    // The control of a question-area tab that takes the keyboard when the tab's key is pressed.
    virtual QWidget* pageFocus(int tab) const;
    // Names and descriptions of the shared controls (after bindKeys, which gives their keys).
    void describeControls();
    void forgetShown() { m_shownPosition.reset(); }
    // A save acts on the question on screen: a number typed since, and not yet gone to, is put
    // back. False when no question is on screen.
    bool settleOnShownQuestion();
    // The same, telling the user why nothing is saved when no question is on screen.
    bool requireShownQuestion();
    // Tells the user that the answer holds a character the answer rules cannot keep.
    void tellUnsavableAnswer();
    // The window's keys: PageUp/PageDown, Ctrl+Home/Ctrl+End, Ctrl+Enter, Alt+A…Alt+G, Alt+Y, Alt+N.
    // A window adds its own keys through keys() first; call once every control exists.
    void bindKeys();
    KeyBindings& keys() { return *m_keys; }
    // Shows the picture whole in 图片框1, scaled down when it is larger.
    void fitPicture();
    // The picture at full size in a window of its own.
    void showPictureFullSize();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Places a control given in tab-control coordinates on one of its pages.
    void placeOnPage(QWidget* w, int x, int y, int width, int height);
    void layoutAnswerArea(int W, int H);

  private:
    bool step(int direction);
    void toggleOption(QCheckBox* box);
    QList<QCheckBox*> m_options;
    KeyBindings* m_keys = nullptr;
    int m_pageTop = 24;
    // The question's picture as read; 图片框1 shows it fitted to its size.
    QPixmap m_picture;
    // What the picture box says while it shows no picture.
    QString m_pictureNote;
    std::optional<qint64> m_shownPosition;
    bool m_goingToTyped = false;
    QString m_notice;
    bool m_syncingBoxes = false;
};
