// The data-bound grid and controls over an in-memory dataset, driven by keys
// and the mouse.

#include "tests/support/MessageRecorder.h"
#include "widgets/DBControls.h"
#include "widgets/DBGrid.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

FieldDef def(const char *name, DataType type, int size = 0, const char *format = "")
{
    FieldDef f;
    f.name = QString::fromLatin1(name);
    f.type = type;
    f.size = size;
    f.displayFormat = QString::fromLatin1(format);
    return f;
}

} // namespace

class TstWidgets : public QObject {
    Q_OBJECT

    std::unique_ptr<ClientDataSet> cds;
    std::unique_ptr<DataSource> ds;
    std::unique_ptr<DBGrid> grid;
    QList<int> exits;

    void addRow(const QString &name, double peso, const QString &obs)
    {
        cds->Append();
        cds->FieldByName(QStringLiteral("NOME")).SetAsString(name);
        cds->FieldByName(QStringLiteral("PESO")).SetAsFloat(peso);
        cds->FieldByName(QStringLiteral("OBS")).SetAsString(obs);
        cds->Post();
    }

    QModelIndex current() const { return grid->currentIndex(); }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        cds = std::make_unique<ClientDataSet>(QStringLiteral("cds"), nullptr);
        cds->FieldDefs = {def("NOME", DataType::String, 10), def("PESO", DataType::Float, 0, "#,##0.0000"),
                          def("OBS", DataType::String, 20)};
        cds->CreateDataSet();
        addRow(QStringLiteral("a"), 250, QString());
        addRow(QStringLiteral("b"), 1234.5, QString());
        addRow(QStringLiteral("c"), 251, QString());
        cds->First();
        ds = std::make_unique<DataSource>(QStringLiteral("ds"), cds.get());
        grid = std::make_unique<DBGrid>();
        grid->setDataSource(ds.get());
        grid->setColumns({{QStringLiteral("NOME"), QStringLiteral("Nome"), 80},
                          {QStringLiteral("PESO"), QStringLiteral("Peso"), 90, Qt::AlignRight | Qt::AlignVCenter},
                          {QStringLiteral("OBS"), QStringLiteral("Obs"), 120, Qt::AlignLeft, true,
                           QColor(Qt::yellow)}});
        exits.clear();
        grid->onColumnExit = [this](DBGrid &, int column) { exits.append(column); };
        grid->resize(400, 200);
        grid->show();
        QApplication::setActiveWindow(grid.get());
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        grid->setFocus();
    }
    void cleanup()
    {
        grid.reset();
        ds.reset();
        cds.reset();
        QLocale::setDefault(QLocale::c());
    }

    void modelIsConsistent()
    {
        QAbstractItemModelTester tester(grid->dataModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(grid->dataModel()->rowCount(), 3);
        QCOMPARE(grid->dataModel()->index(1, 1).data().toString(), QStringLiteral("1.234,5000"));
        QCOMPARE(grid->dataModel()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Peso"));
        QCOMPARE(grid->dataModel()->index(0, 2).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
        QVERIFY(!(grid->dataModel()->flags(grid->dataModel()->index(0, 2)) & Qt::ItemIsEditable));
        cds->Last();
        QCOMPARE(current().row(), 2);
    }

    void columnExitRunsForEveryWayOfLeaving()
    {
        QCOMPARE(current(), grid->dataModel()->index(0, 0));
        QTest::keyClick(grid.get(), Qt::Key_Tab);
        QCOMPARE(current().column(), 1);
        QTest::keyClick(grid.get(), Qt::Key_Right);
        QCOMPARE(current().column(), 2);
        QTest::keyClick(grid.get(), Qt::Key_Left);
        // The mouse, on another row and column.
        const QRect cell = grid->visualRect(grid->dataModel()->index(2, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(current(), grid->dataModel()->index(2, 0));
        QCOMPARE(cds->RecNo(), 3);
        // Moving within a column is not leaving it.
        QTest::keyClick(grid.get(), Qt::Key_Up);
        QCOMPARE(exits, QList<int>({0, 1, 2, 1}));
        // The window's own Enter handling moves to the next column.
        grid->onKeyDown = [](DBGrid &g, QKeyEvent *e) {
            if (e->key() != Qt::Key_Return)
                return false;
            g.setSelectedIndex(g.selectedIndex() + 1);
            return true;
        };
        QTest::keyClick(grid.get(), Qt::Key_Return);
        QCOMPARE(current().column(), 1);
        QCOMPARE(exits, QList<int>({0, 1, 2, 1, 0}));
    }

    void columnExitMayRedirect()
    {
        grid->onColumnExit = [this](DBGrid &g, int column) {
            exits.append(column);
            if (column == 0)
                g.setSelectedIndex(2); // skip the weight
        };
        QTest::keyClick(grid.get(), Qt::Key_Tab);
        QCOMPARE(current().column(), 2);
        QCOMPARE(exits, QList<int>({0}));
        QTest::keyClick(grid.get(), Qt::Key_Left);
        QCOMPARE(current().column(), 1);
        QCOMPARE(exits, QList<int>({0, 2}));
    }

    void typingEditsThroughTheDataset()
    {
        grid->setCurrentIndex(grid->dataModel()->index(0, 1));
        // The first key typed opens the editor.
        QTest::keyClick(grid.get(), Qt::Key_1);
        QLineEdit *editor = grid->findChild<QLineEdit *>();
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("2,5"));
        QCOMPARE(editor->text(), QStringLiteral("12,5"));
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor hands its text over once the event loop runs.
        QTRY_COMPARE(cds->State(), DataSetState::Edit);
        QCOMPARE(cds->FieldByName(QStringLiteral("PESO")).AsFloat(), 12.5);
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QCOMPARE(cds->State(), DataSetState::Browse);
        QCOMPARE(cds->RecNo(), 2);
        QCOMPARE(grid->dataModel()->index(0, 1).data().toString(), QStringLiteral("12,5000"));
        // The row was new already: still one insert, now with the weight typed.
        QCOMPARE(cds->ChangeCount(), 3);
    }

    void invalidNumberIsReportedAndNothingChanges()
    {
        MessageRecorder recorder;
        grid->setCurrentIndex(grid->dataModel()->index(0, 1));
        QTest::keyClick(grid.get(), Qt::Key_A);
        QLineEdit *editor = grid->findChild<QLineEdit *>();
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("bc"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(recorder.texts(),
                     QStringList{QStringLiteral("\"abc\" não é um número válido.\rDigite somente algarismos, com "
                                                "vírgula antes dos decimais, por exemplo 250,5.")});
        QCOMPARE(cds->FieldByName(QStringLiteral("PESO")).AsFloat(), 250.0);
        QCOMPARE(cds->State(), DataSetState::Browse);
    }

    void columnExitSeesWhatWasTyped()
    {
        double seen = -1;
        grid->onColumnExit = [&](DBGrid &, int) { seen = cds->FieldByName(QStringLiteral("PESO")).AsFloat(); };
        grid->setCurrentIndex(grid->dataModel()->index(0, 1));
        QTest::keyClicks(grid.get(), QStringLiteral("7"));
        QLineEdit *editor = grid->findChild<QLineEdit *>();
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Tab);
        QCOMPARE(seen, 7.0);
    }

    void insertAndDownOnLastRowAddRecords()
    {
        cds->Last();
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QCOMPARE(cds->State(), DataSetState::Insert);
        QCOMPARE(grid->dataModel()->rowCount(), 4);
        QCOMPARE(current().row(), 3);
        // Down again on the untouched new row adds nothing.
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QCOMPARE(grid->dataModel()->rowCount(), 4);
        // Leaving it untouched removes it.
        QTest::keyClick(grid.get(), Qt::Key_Up);
        QCOMPARE(cds->State(), DataSetState::Browse);
        QCOMPARE(grid->dataModel()->rowCount(), 3);
        QCOMPARE(cds->RecNo(), 3);
        QCOMPARE(current().row(), 2);
        // Insert puts the new row before the current one.
        QTest::keyClick(grid.get(), Qt::Key_Insert);
        QCOMPARE(cds->State(), DataSetState::Insert);
        QCOMPARE(cds->RecNo(), 3);
        QCOMPARE(grid->dataModel()->rowCount(), 4);
    }

    void ctrlDeleteAsksFirst()
    {
        MessageRecorder recorder;
        recorder.answerNext(false);
        QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(cds->RecordCount(), 3);
        recorder.answerNext(true);
        QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(cds->RecordCount(), 2);
        QCOMPARE(cds->FieldByName(QStringLiteral("NOME")).AsString(), QStringLiteral("b"));
        QCOMPARE(recorder.texts(), QStringList({QStringLiteral("Excluir o registro?"), QStringLiteral("Excluir o registro?")}));
    }

    void readOnlyDatasetRefusesKeys()
    {
        cds->ReadOnly = true;
        cds->Last();
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QTest::keyClick(grid.get(), Qt::Key_Insert);
        QCOMPARE(cds->RecordCount(), 3);
        QCOMPARE(cds->State(), DataSetState::Browse);
    }

    void boundControlsFollowTheCursor()
    {
        DBText text;
        text.setDataSource(ds.get(), QStringLiteral("PESO"));
        DBEdit edit;
        edit.setDataSource(ds.get(), QStringLiteral("NOME"));
        QCOMPARE(text.text(), QStringLiteral("250,0000"));
        QCOMPARE(edit.text(), QStringLiteral("a"));
        cds->Next();
        QCOMPARE(text.text(), QStringLiteral("1.234,5000"));
        QCOMPARE(edit.text(), QStringLiteral("b"));
        edit.show();
        edit.setFocus();
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("novo nome longo"));
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(cds->FieldByName(QStringLiteral("NOME")).AsString(), QStringLiteral("novo nome "));
        cds->Post();
        DBNavigator nav({DBNavigator::First, DBNavigator::Next, DBNavigator::Last});
        nav.setDataSource(ds.get());
        nav.button(DBNavigator::First)->click();
        QCOMPARE(cds->RecNo(), 1);
        QCOMPARE(text.text(), QStringLiteral("250,0000"));
        nav.button(DBNavigator::Last)->click();
        QCOMPARE(cds->RecNo(), 3);
        QVERIFY(!nav.button(DBNavigator::Next)->isEnabled());
    }
};

QTEST_MAIN(TstWidgets)
#include "tst_widgets.moc"
