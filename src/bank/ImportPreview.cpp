#include "bank/ImportPreview.h"

#include "ui/Accessibility.h"

#include "access/ChildImport.h"
#include "bank/DocumentImport.h"
#include "store/Store.h"
#include "ui/MessageBox.h"
#include "ui/ModalLoops.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

std::function<void(ImportPreview&)> g_previewDriver;

// A question's text on one line, shortened for the list.
QString shortText(const QString& text) {
    QString line = text.simplified();
    return line.size() > 60 ? line.left(59) + QStringLiteral("…") : line;
}

QString markText(const std::optional<double>& mark) {
    return mark ? QString::number(*mark) : QStringLiteral("1");
}

} // namespace

ImportPreview::ImportPreview(QWidget* parent, const QString& fileName, const documents::Document& doc)
    : QDialog(parent) {
    setObjectName(QStringLiteral("导入预览框"));
    setWindowTitle(QStringLiteral("导入 %1").arg(fileName));
    resize(860, 600);

    int pictures = 0, unstorable = 0, bad = 0;
    QMap<QPair<int, int>, QStringList> reasons;
    for (const documents::Problem& p : doc.problems)
        if (p.paper >= 0 && p.question >= 0)
            reasons[{p.paper, p.question}] << p.reason;

    题目列表框 = new QTreeWidget(this);
    题目列表框->setObjectName(QStringLiteral("题目列表框"));
    题目列表框->setHeaderLabels({QStringLiteral("题号"), QStringLiteral("题型"), QStringLiteral("答案"),
                                 QStringLiteral("分值"), QStringLiteral("图片"), QStringLiteral("题目"),
                                 QStringLiteral("问题")});
    题目列表框->setRootIsDecorated(true);
    for (int pi = 0; pi < doc.papers.size(); ++pi) {
        const documents::Paper& paper = doc.papers[pi];
        auto* top = new QTreeWidgetItem(题目列表框);
        top->setText(0, QStringLiteral("试卷“%1”：%2 道题，考试时间 %3 分钟")
                            .arg(paper.name)
                            .arg(paper.questions.size())
                            .arg(paper.minutes.value_or(60)) +
                    (paper.rules.isPlain() ? QString()
                                           : QStringLiteral("，评分：") + documents::describeRules(paper.rules)));
        top->setFirstColumnSpanned(true);
        for (int qi = 0; qi < paper.questions.size(); ++qi) {
            const documents::Question& q = paper.questions[qi];
            auto* item = new QTreeWidgetItem(top);
            item->setText(0, q.number.isEmpty() ? QString::number(qi + 1) : q.number);
            const documents::Type type = documents::effectiveType(q);
            item->setText(1, type == documents::Type::None ? QStringLiteral("？") : documents::typeText(type));
            item->setText(2, q.answer);
            item->setText(3, markText(q.mark));
            if (!q.pictures.isEmpty()) {
                item->setText(4, QStringLiteral("有图"));
                ++pictures;
            }
            item->setText(5, shortText(documents::bankText(q)));
            item->setToolTip(5, documents::bankText(q));
            const QStringList why = reasons.value({pi, qi});
            if (!why.isEmpty() || doc.isBad(pi, qi)) {
                ++bad;
                item->setText(6, why.join(QStringLiteral("；")));
                for (int c = 0; c < 7; ++c)
                    item->setForeground(c, QColor(0xB0, 0x20, 0x20));
            }
            if (!docimport::storable(q))
                ++unstorable;
        }
        top->setExpanded(true);
    }
    题目列表框->header()->setSectionResizeMode(5, QHeaderView::Stretch);
    for (int c : {0, 1, 2, 3, 4})
        题目列表框->resizeColumnToContents(c);

    问题列表框 = new QTreeWidget(this);
    问题列表框->setObjectName(QStringLiteral("问题列表框"));
    问题列表框->setHeaderLabels({QStringLiteral("位置"), QStringLiteral("原因")});
    问题列表框->setRootIsDecorated(false);
    for (const documents::Problem& p : doc.problems) {
        auto* item = new QTreeWidgetItem(问题列表框);
        QString where = p.line > 0 ? docimport::placeText(fileName, p.line) : QStringLiteral("整个文件");
        if (p.paper >= 0 && p.question >= 0) {
            const QString n = doc.papers[p.paper].questions[p.question].number;
            where += QStringLiteral("（第 %1 题）").arg(n.isEmpty() ? QString::number(p.question + 1) : n);
        }
        item->setText(0, where);
        item->setText(1, p.reason);
    }
    for (const QString& left : doc.leftOut) {
        auto* item = new QTreeWidgetItem(问题列表框);
        item->setText(0, QStringLiteral("没有读入"));
        item->setText(1, left);
    }
    问题列表框->resizeColumnToContents(0);

    const int count = doc.questionCount();
    QString summary = QStringLiteral("%1：%2 套试卷，%3 道题").arg(fileName).arg(doc.papers.size()).arg(count);
    if (pictures > 0)
        summary += QStringLiteral("，%1 道题有图片").arg(pictures);
    summary += bad > 0 ? QStringLiteral("。%1 道题有问题（红色），共 %2 处问题，见下面的清单。")
                             .arg(bad)
                             .arg(doc.problems.size())
                       : QStringLiteral("。没有发现问题。");
    summary += QStringLiteral("\n现在还没有存入任何内容。");
    摘要标签 = new QLabel(summary, this);
    摘要标签->setObjectName(QStringLiteral("摘要标签"));
    摘要标签->setWordWrap(true);

    全部导入按钮 = new QPushButton(QStringLiteral("全部导入"), this);
    全部导入按钮->setObjectName(QStringLiteral("全部导入按钮"));
    只导入没有问题的题目按钮 = new QPushButton(QStringLiteral("只导入没有问题的题目"), this);
    只导入没有问题的题目按钮->setObjectName(QStringLiteral("只导入没有问题的题目按钮"));
    取消按钮 = new QPushButton(QStringLiteral("取消"), this);
    取消按钮->setObjectName(QStringLiteral("取消按钮"));
    全部导入按钮->setEnabled(count > 0 && unstorable == 0);
    if (unstorable > 0)
        全部导入按钮->setToolTip(
            QStringLiteral("有 %1 道题题库无法保存（例如没有答案），只能导入没有问题的题目").arg(unstorable));
    只导入没有问题的题目按钮->setEnabled(bad > 0 && count - doc.badCount() > 0);
    取消按钮->setDefault(true);
    connect(全部导入按钮, &QPushButton::clicked, this, [this] {
        m_decision = Decision::All;
        accept();
    });
    connect(只导入没有问题的题目按钮, &QPushButton::clicked, this, [this] {
        m_decision = Decision::GoodOnly;
        accept();
    });
    connect(取消按钮, &QPushButton::clicked, this, [this] {
        m_decision = Decision::Cancel;
        reject();
    });

    // What a screen reader says: the summary goes with the list of questions, which has the focus
    // first; Escape cancels as 取消 does.
    a11y::describe(this, windowTitle(), summary);
    a11y::describe(题目列表框, QStringLiteral("导入的题目"), summary);
    a11y::describe(问题列表框, QStringLiteral("问题清单"), QStringLiteral("每处问题一行：位置和原因"));
    a11y::describe(全部导入按钮, 全部导入按钮->text(), 全部导入按钮->toolTip());
    a11y::describe(只导入没有问题的题目按钮, 只导入没有问题的题目按钮->text());
    a11y::describe(取消按钮, 取消按钮->text(), QStringLiteral("不导入任何内容；Esc"));
    auto* problemsTitle = new QLabel(QStringLiteral("问题"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(全部导入按钮);
    buttons->addWidget(只导入没有问题的题目按钮);
    buttons->addWidget(取消按钮);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(摘要标签);
    layout->addWidget(题目列表框, 3);
    layout->addWidget(problemsTitle);
    layout->addWidget(问题列表框, 1);
    layout->addLayout(buttons);
    problemsTitle->setVisible(问题列表框->topLevelItemCount() > 0);
    问题列表框->setVisible(问题列表框->topLevelItemCount() > 0);
}

void ImportPreview::setTestDriver(std::function<void(ImportPreview&)> driver) {
    g_previewDriver = std::move(driver);
}

ImportPreview::Decision ImportPreview::run() {
    m_decision = Decision::Cancel;
    if (g_previewDriver) {
        g_previewDriver(*this);
        return m_decision;
    }
    ModalLoops::Guard loop;
    exec();
    return m_decision;
}

ReadingProgress::ReadingProgress(QWidget* parent, const QString& fileName)
    : m_dialog(std::make_unique<QProgressDialog>(QStringLiteral("正在读取 %1…").arg(fileName),
                                                 QStringLiteral("取消"), 0, 0, parent)) {
    m_dialog->setObjectName(QStringLiteral("导入进度框"));
    m_dialog->setWindowTitle(QStringLiteral("导入"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(400);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    QObject::connect(m_dialog.get(), &QProgressDialog::canceled, m_dialog.get(), [this] { m_cancelled = true; });
}

ReadingProgress::~ReadingProgress() = default;

bool ReadingProgress::carryOn(qint64 done, qint64 total) {
    if (total > 0) {
        m_dialog->setMaximum(1000);
        m_dialog->setValue(int(qMin(done, total) * 1000 / total));
    }
    return !m_cancelled;
}

void ReadingProgress::close() {
    m_dialog->close();
}

std::optional<QString> importDocumentFile(QWidget* parent, Store& store, const QString& bankDir,
                                          const QString& file) {
    const QString name = QFileInfo(file).fileName();
    ReadingProgress progress(parent, name);
    const docimport::ReadDocument read = docimport::readInChild(
        bankimport::importTool(), file, [&](qint64, qint64) { return progress.carryOn(0, 0); },
        bankimport::importLimits());
    progress.close();
    if (!read.error.isEmpty()) {
        if (read.cancelled)
            MessageBox::info(parent, QStringLiteral("已取消导入 %1，没有导入任何内容。").arg(name));
        else
            MessageBox::warn(parent, read.error + QStringLiteral("\n没有导入任何内容。"));
        return std::nullopt;
    }
    if (read.doc.questionCount() == 0) {
        QString text = QStringLiteral("%1 中没有找到题目，没有导入任何内容。").arg(name);
        if (!read.doc.leftOut.isEmpty())
            text += QStringLiteral("\n没有读入：") + read.doc.leftOut.mid(0, 5).join(QLatin1Char('\n'));
        MessageBox::warn(parent, text);
        return std::nullopt;
    }
    ImportPreview preview(parent, name, read.doc);
    const ImportPreview::Decision decision = preview.run();
    if (decision == ImportPreview::Decision::Cancel) {
        MessageBox::info(parent, QStringLiteral("没有导入任何内容。"));
        return std::nullopt;
    }
    const docimport::Stored stored =
        docimport::store(store, bankDir, name, read.doc, {std::nullopt, decision == ImportPreview::Decision::GoodOnly});
    if (!stored.error.isEmpty()) {
        MessageBox::warn(parent, stored.error);
        return std::nullopt;
    }
    QString done = QStringLiteral("已从 %1 导入 %2 套试卷（编码 %3）、%4 道题目")
                       .arg(name)
                       .arg(stored.codes.size())
                       .arg(stored.codes.join(QStringLiteral("、")))
                       .arg(stored.questions);
    if (stored.pictures > 0)
        done += QStringLiteral("，%1 张图片存入了 %2")
                    .arg(stored.pictures)
                    .arg(QDir::toNativeSeparators(QDir(bankDir).filePath(QStringLiteral("pic"))));
    done += QStringLiteral("。");
    const int skipped = read.doc.questionCount() - stored.questions;
    if (skipped > 0)
        done += QStringLiteral("\n有问题的 %1 道题没有导入。").arg(skipped);
    if (!stored.notes.isEmpty())
        done += QLatin1Char('\n') + stored.notes.join(QLatin1Char('\n'));
    MessageBox::info(parent, done);
    return stored.codes.value(0);
}

void exportDocumentFile(QWidget* parent, Store& store, const QString& bankDir, const QString& file,
                        const QString& code) {
    const documents::Document doc = docimport::bankDocument(store, bankDir, code);
    const docimport::Written written = docimport::writeDocument(doc, file, true);
    if (!written.error.isEmpty()) {
        MessageBox::warn(parent, written.error);
        return;
    }
    QString done = QStringLiteral("已导出到 %1：%2 套试卷、%3 道题目。")
                       .arg(QDir::toNativeSeparators(file))
                       .arg(written.papers)
                       .arg(written.questions);
    if (!written.skipped.isEmpty())
        done += QStringLiteral("\n没有写入：\n") + written.skipped.mid(0, 10).join(QLatin1Char('\n')) +
                (written.skipped.size() > 10 ? QStringLiteral("\n……") : QString());
    MessageBox::info(parent, done);
}
