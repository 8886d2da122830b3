#include "gui/TextGridModel.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QtTest>

using namespace solvane;

class TextGridModelTest : public QObject {
    Q_OBJECT
private slots:
    void showsCellsHeadingsAndStyles()
    {
        TextGridModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        TextGrid grid({"馬番", "単勝"}, 2);
        grid.setCell(0, 0, " 1");
        grid.setCell(0, 1, "  2.5");
        grid.setCell(1, 0, " 2");
        grid.setAlign(1, CellAlign::Right);
        grid.setStyle(0, 1, CellStyle::fg(0xFF0000));
        model.setGrid(grid);

        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString::fromUtf8("馬番"));
        QCOMPARE(model.data(model.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("  2.5"));
        QCOMPARE(model.data(model.index(0, 1), Qt::ForegroundRole).value<QBrush>().color(), QColor(0xFF, 0, 0));
        QVERIFY(!model.data(model.index(1, 1), Qt::ForegroundRole).isValid());

        grid.setCell(1, 1, "  9.9");
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.refresh(grid);
        QCOMPARE(changed.count(), 1);
        grid.addRow();
        model.refresh(grid); // a new shape resets the model
        QCOMPARE(model.rowCount(), 3);
    }
};

QTEST_MAIN(TextGridModelTest)
#include "TextGridModelTest.moc"
