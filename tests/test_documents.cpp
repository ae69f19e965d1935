#include "documents/Document.h"

#include <QStringEncoder>
#include <QTest>

using namespace documents;

class DocumentsTest : public QObject {
    Q_OBJECT
  private slots:
    void typesFromAnswers_data();
    void typesFromAnswers();
    void faultsOfQuestions();
    void repeatedNumbersAndKeptProblems();
    void textsInEveryEncoding();
    void plainFormsAndBankText();
};

void DocumentsTest::typesFromAnswers_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("type");
    QTest::newRow("one letter") << "C"
                                << "单选";
    QTest::newRow("several") << "ABD"
                             << "多选";
    QTest::newRow("true") << "对"
                          << "判断";
    QTest::newRow("false") << "错"
                           << "判断";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("not an answer") << "AX"
                                   << "";
}

void DocumentsTest::typesFromAnswers() {
    QFETCH(QString, answer);
    QFETCH(QString, type);
    QCOMPARE(typeText(typeFromAnswer(answer)), type);
    if (!type.isEmpty())
        QCOMPARE(typeText(typeFromText(QStringLiteral(" %1 ").arg(type))), type);
}

void DocumentsTest::faultsOfQuestions() {
    auto faultOf = [](Question q) {
        Document doc;
        doc.papers.append({QStringLiteral("卷"), {}, {q}});
        checkQuestions(doc);
        return doc.problems.isEmpty() ? QString() : doc.problems.first().reason;
    };
    Question good;
    good.stem = QStringLiteral("下列属于资产的是（  ）。");
    good.options = {QStringLiteral("存货"), QStringLiteral("应付账款"), QStringLiteral("实收资本")};
    good.answer = QStringLiteral("A");
    QCOMPARE(faultOf(good), QString());

    Question q = good;
    q.answer.clear();
    QCOMPARE(faultOf(q), QStringLiteral("没有答案"));
    q.answer = QStringLiteral("AD");
    QCOMPARE(faultOf(q), QStringLiteral("答案中的 D 没有对应的选项（只有 A–C）"));
    q.answer = QStringLiteral("对");
    QVERIFY(faultOf(q).contains(QStringLiteral("有选项")));
    q.answer = QStringLiteral("AB");
    q.type = Type::Single;
    QVERIFY(faultOf(q).contains(QStringLiteral("单选题只能有一个答案")));
    q.type = Type::Indefinite;
    QCOMPARE(faultOf(q), QString());
    q.stem += QStringLiteral("😀");
    QVERIFY(faultOf(q).contains(QStringLiteral("GBK")));

    Question tf;
    tf.stem = QStringLiteral("会计主体一定是法律主体。");
    tf.answer = QStringLiteral("错");
    QCOMPARE(faultOf(tf), QString());
    tf.answer = QStringLiteral("B");
    QVERIFY(faultOf(tf).contains(QStringLiteral("没有选项")));
}

void DocumentsTest::repeatedNumbersAndKeptProblems() {
    Document doc;
    Question a;
    a.line = 3;
    a.number = QStringLiteral("1");
    a.stem = QStringLiteral("题一");
    a.answer = QStringLiteral("对");
    Question b = a;
    b.line = 9;
    b.number = QStringLiteral("１"); // the same number in full-width digits
    Question c = a;
    c.line = 12;
    c.number = QStringLiteral("2");
    doc.papers.append({QStringLiteral("卷"), {}, {a, b, c}});
    // A reader's own problem stays, and the shared checks add nothing more for that question.
    doc.problems.append({12, 0, 2, QStringLiteral("读者发现的问题")});
    checkQuestions(doc);
    QCOMPARE(doc.problems.size(), 2);
    QCOMPARE(doc.problems.last().line, 9);
    QVERIFY(doc.problems.last().reason.contains(QStringLiteral("第 3 行")));
    QCOMPARE(doc.badCount(), 2);
    QVERIFY(!doc.isBad(0, 0));
    QCOMPARE(doc.questionCount(), 3);
}

void DocumentsTest::textsInEveryEncoding() {
    const QString text = QStringLiteral("一、单项选择题\n1．会计主体（  ）");
    QString encoding;
    QCOMPARE(decodeText(text.toUtf8(), &encoding), text);
    QCOMPARE(encoding, QStringLiteral("UTF-8"));
    QCOMPARE(decodeText("\xEF\xBB\xBF" + text.toUtf8(), &encoding), text);
    QStringEncoder le(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    QCOMPARE(decodeText(le(text), &encoding), text);
    QCOMPARE(encoding, QStringLiteral("UTF-16LE"));
    QStringEncoder be(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    QCOMPARE(decodeText(be(text), &encoding), text);
    QStringEncoder gb("GB18030");
    QCOMPARE(decodeText(gb(text), &encoding), text);
    QCOMPARE(encoding, QStringLiteral("GB18030"));
}

void DocumentsTest::plainFormsAndBankText() {
    QCOMPARE(plainForm(QStringLiteral("１０．（Ａ）　答案：")), QStringLiteral("10.(A) 答案:"));
    Question q;
    q.material = QStringLiteral("甲公司2025年发生下列业务。");
    q.stem = QStringLiteral("应计入管理费用的是（  ）。");
    q.options = {QStringLiteral("工资"), QStringLiteral("折旧 ")};
    QCOMPARE(bankText(q),
             QStringLiteral("甲公司2025年发生下列业务。\n应计入管理费用的是（  ）。A.工资 B.折旧"));
}

QTEST_GUILESS_MAIN(DocumentsTest)
#include "test_documents.moc"
