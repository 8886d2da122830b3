#include <QtTest>
class BacktestWindowTest : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};
QTEST_MAIN(BacktestWindowTest)
#include "BacktestWindowTest.moc"
