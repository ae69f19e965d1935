// The paper the document benchmarks read and import: COUNT questions in the four sections
// (单选, 多选, 判断, 不定项), with explanations, shared material on the 不定项 questions and a
// picture on every 50th.
#pragma once

#include "documents/Document.h"

#include <QBuffer>
#include <QImage>

inline documents::Document makeBenchDocument(int count) {
    using namespace documents;
    QImage image(160, 90, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    Paper paper{QStringLiteral("2024年初级会计实务 模拟试卷"), 120, {}};
    for (int i = 0; i < count; ++i) {
        Question q;
        const int kind = i * 4 / count; // the four sections in turn
        q.stem = QStringLiteral("第%1题 下列各项中，关于企业会计核算的表述正确的是（  ）。").arg(i + 1);
        q.explanation =
            QStringLiteral("行政管理部门人员的工资计入管理费用；销售部门人员的工资计入销售费用。\n"
                           "选项C，短期借款的利息计入财务费用。");
        if (kind == 2) {
            q.stem = QStringLiteral("第%1题 企业应当以权责发生制为基础进行会计确认、计量和报告。（  ）")
                         .arg(i + 1);
            q.answer = i % 2 ? QStringLiteral("对") : QStringLiteral("错");
            q.type = Type::TrueFalse;
            q.mark = 1;
        } else {
            q.options = {QStringLiteral("销售部门人员的工资"), QStringLiteral("生产车间机器设备的折旧"),
                         QStringLiteral("短期借款的利息支出"), QStringLiteral("行政管理部门人员的工资")};
            q.type = kind == 0 ? Type::Single : kind == 1 ? Type::Multiple : Type::Indefinite;
            q.answer = kind == 0 ? QStringLiteral("D") : QStringLiteral("ACD");
            q.mark = kind == 0 ? 1.5 : 2;
        }
        if (kind == 3)
            q.material =
                QStringLiteral("甲公司为增值税一般纳税人，2024年发生如下经济业务：\n（1）购入原材料一批，"
                               "价款%1万元。\n要求：根据上述资料，分析回答下列小题。")
                    .arg(i / 4);
        if (i % 50 == 0)
            q.pictures = {{QStringLiteral("图.png"), png}};
        paper.questions << q;
    }
    Document doc;
    doc.papers << paper;
    return doc;
}
