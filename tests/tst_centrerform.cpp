#include <QTest>

#include "centrerform.h"

class TestCentrerForm : public QObject {
    Q_OBJECT

private slots:
    void arithmetic_data();
    void arithmetic();
};

void TestCentrerForm::arithmetic_data()
{
    QTest::addColumn<float>("screenWidth");
    QTest::addColumn<float>("windowWidth");
    QTest::addColumn<int>("left");

    QTest::newRow("even difference") << 15360.0f << 11880.0f << 1740;
    QTest::newRow("odd difference drops the half") << 12181.0f << 11880.0f << 150;
    QTest::newRow("half rounds down to even") << 12180.5f << 11880.0f << 150;
    QTest::newRow("half rounds up to even") << 12181.5f << 11880.0f << 151;
    QTest::newRow("wider than the screen by 301") << 11880.0f << 12181.0f << -150;
    QTest::newRow("negative half to even") << 11880.0f << 11881.5f << -1;
    QTest::newRow("negative truncates toward zero") << 11880.0f << 11883.0f << -1;
    QTest::newRow("same size") << 11880.0f << 11880.0f << 0;
}

void TestCentrerForm::arithmetic()
{
    QFETCH(float, screenWidth);
    QFETCH(float, windowWidth);
    QFETCH(int, left);
    // The same arithmetic runs on both axes.
    QCOMPARE(centredPosition(screenWidth, 9000.0f, windowWidth, 6000.0f), QPoint(left, 1500));
    QCOMPARE(centredPosition(9000.0f, screenWidth, 6000.0f, windowWidth), QPoint(1500, left));
}

QTEST_GUILESS_MAIN(TestCentrerForm)
#include "tst_centrerform.moc"
