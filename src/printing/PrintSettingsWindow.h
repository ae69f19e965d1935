#pragma once

#include "printing/PrintBuild.h"
#include "printing/PrintTable.h"

#include <QPointer>
#include <QWidget>
#include <optional>

struct AppState;
class Grid;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

// The print-settings window: which columns of the handed-over grid are printed or exported, in
// what order and how wide, the title and its font, paper, orientation, rows per page, font size and
// line style.
// Settings live in section "高级表格打印" of the caller's settings file in the program folder.
class PrintSettingsWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kSection = "高级表格打印";

    explicit PrintSettingsWindow(AppState& app, QWidget* parent = nullptr);
    ~PrintSettingsWindow() override;

    QString settingsPath() const;
    // The table the last print preview was built from.
    const std::optional<PrintTable>& lastTable() const { return m_lastTable; }
    // The chosen columns (ticked rows of the column list) in list order.
    QList<PrintColumn> chosenColumns() const;

    // Test seam: the template image the preview build loads (nullopt: the built-in one).
    static void setTemplateImage(std::optional<QByteArray> image);

    QLabel* 标签1;
    QLineEdit* 标题编辑框;
    QLabel* 标签5;
    QLineEdit* 字体编辑框;
    QPushButton* 按钮3;
    QLabel* 标签2;
    QComboBox* 纸型组合框;
    QLabel* 标签4;
    QComboBox* 打印方向组合框;
    QLabel* 标签3;
    QLineEdit* 行数编辑框;
    QLabel* 标签14;
    QLabel* 标签6;
    QLineEdit* 字体大小;
    QGroupBox* 分组框2;
    QRadioButton* 线型1;
    QRadioButton* 线型2;
    QRadioButton* 线型3;
    QRadioButton* 线型4;
    QLabel* 图片框1;
    QLabel* 图片框2;
    QLabel* 图片框3;
    QLabel* 图片框4;
    QCheckBox* 序号;
    QCheckBox* 保存配置选择框;
    QGroupBox* 分组框1;
    Grid* 导出高级表格;
    QCheckBox* 全选选择框;
    QPushButton* 上移按钮;
    QPushButton* 下移按钮;
    QPushButton* 复原按钮;
    QPushButton* 保存配置按钮;
    QPushButton* 打印按钮;
    QPushButton* 导出按钮;
    QLabel* 标签7;
    QTimer* 时钟2;

  private slots:
    void fillColumns();
    void saveAndClose();
    void printPreview();
    void exportSheet();
    void moveUp();
    void moveDown();
    void tickAll(bool ticked);
    void showWhetherAllTicked();
    void chooseTitleFont();
    void watchPreview();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Enter runs the print preview, Escape closes the window.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void buildControls();
    void loadSettings();
    // Writes the settings file; a file that cannot be written is told once, and false returned.
    bool saveSettings();
    int selectedLineStyle() const;
    void swapRows(int a, int b);
    // A row of the column list, at the end or before row at.
    void appendColumnRow(int sourceColumn, const QString& heading, bool ticked = true, int at = 0);
    bool sourceAvailable();
    // The first source column the list offers (the hand-over says).
    int firstOfferedColumn() const;
    // Number boxes hold digits only: a refused key is told (box nullptr: a column width), and an
    // action with anything else in a box says so and does nothing.
    void tellNumbersOnly(QLineEdit* box);
    QString numbersOnlyText(const QLineEdit* box) const;
    bool numbersAcceptable();

    AppState& m_app;
    std::optional<PrintTable> m_lastTable;
    QPointer<QWidget> m_preview;
    bool m_tickingAll = false;
    bool m_tellingNumbers = false;
};
