// The client-dataset layer and the data module's chains against the real
// server: detail fetching, write-back and its refusals, the order list, field
// definitions, and the ad-hoc query.

#include "data/udm.h"
#include "tests/support/TestDb.h"

#include <QTest>

#include <memory>

namespace {

QList<int> orderNumbers(ClientDataSet *cds)
{
    QList<int> list;
    cds->First();
    while (!cds->Eof()) {
        list.append(static_cast<int>(cds->FieldByName(QStringLiteral("NPEDIDO")).AsInteger()));
        cds->Next();
    }
    cds->First();
    return list;
}

QList<QVariant> column(ClientDataSet *cds, const QString &field)
{
    QList<QVariant> list;
    for (int r = 0; r < cds->RecordCount(); ++r)
        list.append(cds->rowValue(r, cds->FieldIndex(field)));
    return list;
}

using TestDb::scalar;

} // namespace

class TstDataSet : public QObject {
    Q_OBJECT

    std::unique_ptr<TDM> dm;

    void openChain()
    {
        for (ClientDataSet *cds : {dm->cds_RPesoMed, dm->cds_PesoMed, dm->cds_Pedidos, dm->cds_Pediform,
                                   dm->cds_Compedid})
            cds->Open();
    }

    // Order 01/1 with a capsule formula (two components, two weighings, a
    // result) and a cream; order 01/2 with one capsule formula.
    void twoOrders()
    {
        TestDb::order(QStringLiteral("01"), 1);
        TestDb::formula(QStringLiteral("01"), 1, 1);
        TestDb::formula(QStringLiteral("01"), 1, 2, QStringLiteral("Creme"));
        TestDb::component(QStringLiteral("01"), 1, 1, 2, QStringLiteral("CAPSULA N 0"), 60, QStringLiteral("UN"));
        TestDb::component(QStringLiteral("01"), 1, 1, 1, QStringLiteral("CAFEINA"), 200);
        TestDb::component(QStringLiteral("01"), 1, 2, 1, QStringLiteral("UREIA"), 10, QStringLiteral("G"));
        TestDb::weighing(1, QStringLiteral("01"), 1, 1, 2, 251);
        TestDb::weighing(2, QStringLiteral("01"), 1, 1, 1, 250);
        TestDb::exec({QStringLiteral("insert into RPESOMED (ID_RPESOMED, ESTACAO, NPEDIDO, NFORMULA, RESULTADO) "
                                     "values (1, '01', 1, 1, 'Aprovado')")});
        TestDb::order(QStringLiteral("01"), 2);
        TestDb::formula(QStringLiteral("01"), 2, 1);
        TestDb::component(QStringLiteral("01"), 2, 1, 1, QStringLiteral("CAPSULA N 1"), 30, QStringLiteral("UN"));
    }

    void appendWeighing(int id, int numcap, double peso)
    {
        ClientDataSet *cds = dm->cds_PesoMed;
        cds->Append();
        cds->FieldByName(QStringLiteral("ID_PESOMED")).SetAsInteger(id);
        cds->FieldByName(QStringLiteral("Estacao")).SetAsString(QStringLiteral("01"));
        cds->FieldByName(QStringLiteral("Npedido")).SetAsInteger(1);
        cds->FieldByName(QStringLiteral("Nformula")).SetAsInteger(1);
        cds->FieldByName(QStringLiteral("NumCap")).SetAsInteger(numcap);
        cds->FieldByName(QStringLiteral("PESO")).SetAsFloat(peso);
        cds->Post();
    }

private slots:
    void init()
    {
        TestDb::reset();
        dm = std::make_unique<TDM>();
        TestDb::point(dm->sqlcon1);
        // The layer alone: the record rules are tested on their own.
        for (ClientDataSet *cds : {dm->cds_PesoMed, dm->cds_RPesoMed}) {
            cds->BeforeInsert = cds->AfterInsert = cds->AfterPost = cds->AfterDelete = nullptr;
            cds->BeforeScroll = cds->AfterScroll = nullptr;
        }
    }
    void cleanup() { dm.reset(); }

    void orderListConditions()
    {
        const QString st = QStringLiteral("01");
        struct Case {
            int n;
            const char *tipo;
            QStringList formas;
        };
        const QList<Case> cases = {
            {1, "Pedido", {QStringLiteral("Cápsulas")}},
            {2, "Pedido", {QStringLiteral("Capsula")}},
            {3, "Pedido", {QStringLiteral("Cápsula")}},
            {4, "Pedido", {QStringLiteral("Capsulas")}},
            {5, "Pedido", {QStringLiteral("CAPSULA")}},
            {6, "Pedido", {QStringLiteral("cápsula")}},
            {7, "Cancel", {QStringLiteral("Cápsulas")}},
            {8, "Orçam", {QStringLiteral("Cápsulas")}},
            {9, "Repos", {QStringLiteral("Capsulas")}},
            {10, "Próprio", {QStringLiteral("Creme"), QStringLiteral("Cápsulas")}},
            {11, "Pedido", {QStringLiteral("Cápsulas"), QStringLiteral("Capsula")}},
            {12, "Pedido", {QStringLiteral("Creme")}},
        };
        for (const Case &c : cases) {
            TestDb::order(st, c.n, QString::fromUtf8(c.tipo));
            for (int f = 0; f < c.formas.size(); ++f)
                TestDb::formula(st, c.n, f + 1, c.formas[f]);
        }
        openChain();
        // One row per capsule formula; other forms, spellings and types left out.
        QCOMPARE(orderNumbers(dm->cds_Pedidos), QList<int>({1, 2, 3, 4, 9, 10, 11, 11}));
        // An order's formulas are all listed, capsule or not.
        QVERIFY(dm->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {10}));
        QCOMPARE(column(dm->cds_Pediform, QStringLiteral("FORMAFARMA")),
                 QList<QVariant>({QStringLiteral("Creme"), QStringLiteral("Cápsulas")}));
    }

    void orderListStopsAt500()
    {
        TestDb::exec({QStringLiteral(
            "execute block as declare i int = 1; begin while (i <= 510) do begin "
            "insert into PEDIDOS (ESTACAO, NPEDIDO, TIPOPEDIDO) values ('02', 1000 - :i, 'Pedido'); "
            "insert into PEDIFORM (ESTACAO, NPEDIDO, NFORMULA, FORMAFARMA) values ('02', 1000 - :i, 1, 'Cápsulas'); "
            "i = i + 1; end end")});
        dm->cds_Pedidos->Open();
        QCOMPARE(dm->cds_Pedidos->RecordCount(), 500);
        QCOMPARE(dm->cds_Pedidos->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 490);
        dm->cds_Pedidos->Last();
        QCOMPARE(dm->cds_Pedidos->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 989);
    }

    void longOrderListIsReadAsNeeded()
    {
        TestDb::exec({QStringLiteral(
            "execute block as declare i int = 1; begin while (i <= 1200) do begin "
            "insert into PEDIDOS (ESTACAO, NPEDIDO, TIPOPEDIDO) values ('01', :i, 'Pedido'); i = i + 1; end end")});
        ClientDataSet *cds = dm->cds_Pedidos;
        dm->sql_Pedidos.CommandText = QStringLiteral("select * from PEDIDOS where ESTACAO = '01' order by NPEDIDO desc");
        cds->Open();
        QCOMPARE(cds->RecordCount(), 500);
        QVERIFY(cds->CanFetchMore());
        QCOMPARE(cds->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 1200);
        // Moving past the rows read so far reads the next packet.
        cds->SetRecNo(500);
        cds->Next();
        QCOMPARE(cds->RecNo(), 501);
        QCOMPARE(cds->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 700);
        QCOMPARE(cds->RecordCount(), 1000);
        // The row number survives a refresh beyond the first packet.
        cds->Refresh();
        QCOMPARE(cds->RecNo(), 501);
        QCOMPARE(cds->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 700);
        // Locating and going to the end read everything.
        QVERIFY(cds->Locate(QStringLiteral("NPEDIDO"), {3}));
        QCOMPARE(cds->RecordCount(), 1200);
        QVERIFY(!cds->CanFetchMore());
        cds->Close();
        cds->Open();
        cds->Last();
        QCOMPARE(cds->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 1);
        QVERIFY(cds->Eof());
    }

    void threeLevelChainFetchesOnDemand()
    {
        twoOrders();
        openChain();
        QCOMPARE(dm->cds_Pedidos->RecordCount(), 2);
        QCOMPARE(column(dm->cds_Pediform, QStringLiteral("NFORMULA")), QList<QVariant>({1, 2}));
        QCOMPARE(column(dm->cds_Compedid, QStringLiteral("COMPONENTE")),
                 QList<QVariant>({QStringLiteral("CAFEINA"), QStringLiteral("CAPSULA N 0")}));
        QCOMPARE(column(dm->cds_PesoMed, QStringLiteral("NUMCAP")), QList<QVariant>({1, 2}));
        QCOMPARE(dm->cds_RPesoMed->FieldByName(QStringLiteral("Resultado")).AsString(), QStringLiteral("Aprovado"));

        // The cream: its component only, no weighing, no result.
        const qint64 before = DataSetProvider::fetchCount();
        dm->cds_Pediform->Next();
        QCOMPARE(DataSetProvider::fetchCount() - before, 3);
        QCOMPARE(column(dm->cds_Compedid, QStringLiteral("COMPONENTE")), QList<QVariant>({QStringLiteral("UREIA")}));
        QVERIFY(dm->cds_PesoMed->IsEmpty());
        QVERIFY(dm->cds_RPesoMed->IsEmpty());

        // Back to the capsule formula: the rows held are shown again, no fetch.
        const qint64 back = DataSetProvider::fetchCount();
        dm->cds_Pediform->Prior();
        QCOMPARE(DataSetProvider::fetchCount(), back);
        QCOMPARE(column(dm->cds_PesoMed, QStringLiteral("PESO")), QList<QVariant>({250.0, 251.0}));
        // A key that had no rows is asked again, so that rows another
        // workstation stored meanwhile show; keys with rows stay held.
        dm->cds_Pediform->Next();
        QCOMPARE(DataSetProvider::fetchCount(), back + 2);
        dm->cds_Pediform->Prior();
        QCOMPARE(DataSetProvider::fetchCount(), back + 2);

        // The next order fetches its formulas and theirs; coming back fetches nothing.
        dm->cds_Pedidos->Next();
        QCOMPARE(column(dm->cds_Compedid, QStringLiteral("COMPONENTE")),
                 QList<QVariant>({QStringLiteral("CAPSULA N 1")}));
        const qint64 away = DataSetProvider::fetchCount();
        dm->cds_Pedidos->Prior();
        QCOMPARE(DataSetProvider::fetchCount(), away);
        QCOMPARE(dm->cds_PesoMed->RecordCount(), 2);

        // A refresh fetches the current key again.
        TestDb::weighing(3, QStringLiteral("01"), 1, 1, 3, 252);
        dm->cds_PesoMed->Refresh();
        QCOMPARE(DataSetProvider::fetchCount(), away + 1);
        QCOMPARE(column(dm->cds_PesoMed, QStringLiteral("NUMCAP")), QList<QVariant>({1, 2, 3}));
        QCOMPARE(dm->cds_PesoMed->RecNo(), 1);
    }

    void applyWithoutLimitKeepsRefusedPending()
    {
        twoOrders();
        openChain();
        ClientDataSet *cds = dm->cds_PesoMed;
        QVERIFY(cds->Locate(QStringLiteral("ID_PESOMED"), {2}));
        cds->Edit();
        cds->FieldByName(QStringLiteral("PESO")).SetAsFloat(300);
        cds->Post();
        appendWeighing(3, 3, 252);
        // Another workstation deletes the weighing being changed.
        TestDb::exec({QStringLiteral("delete from PESOMED where ID_PESOMED = 2")});

        QCOMPARE(cds->ApplyUpdates(-1), 1);
        QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED where ID_PESOMED = 3")).toDouble(), 252.0);
        QCOMPARE(cds->ChangeCount(), 1);
        QVERIFY_THROWS_EXCEPTION(AppError, cds->Refresh());
    }

    void applyWithZeroRollsEverythingBack()
    {
        twoOrders();
        openChain();
        ClientDataSet *cds = dm->cds_PesoMed;
        appendWeighing(3, 3, 252);
        QVERIFY(cds->Locate(QStringLiteral("ID_PESOMED"), {2}));
        cds->Edit();
        cds->FieldByName(QStringLiteral("PESO")).SetAsFloat(300);
        cds->Post();
        TestDb::exec({QStringLiteral("delete from PESOMED where ID_PESOMED = 2")});

        QCOMPARE(cds->ApplyUpdates(0), 2);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where ID_PESOMED = 3")).toInt(), 0);
        QCOMPARE(cds->ChangeCount(), 2);
    }

    // Many weighings of formula 01/1/1: identifiers and capsule numbers 1 to n.
    void manyWeighings(int n)
    {
        TestDb::order(QStringLiteral("01"), 1);
        TestDb::formula(QStringLiteral("01"), 1, 1);
        TestDb::exec({QStringLiteral("execute block as declare i int = 0; begin while (i < %1) do begin i = i + 1; "
                                     "insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO) "
                                     "values (:i, '01', 1, 1, :i, 250); end end")
                          .arg(n)});
        openChain();
        QCOMPARE(dm->cds_PesoMed->RecordCount(), n);
    }

    void setWeight(int row, double peso)
    {
        ClientDataSet *cds = dm->cds_PesoMed;
        cds->SetRecNo(row);
        cds->Edit();
        cds->FieldByName(QStringLiteral("PESO")).SetAsFloat(peso);
        cds->Post();
    }

    void manyChangesTravelTogether_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<double>("total");
        QTest::newRow("insert") << "insert" << 480 << 480 * 250.0;
        QTest::newRow("modify") << "modify" << 240 << 240 * 251.0;
        QTest::newRow("delete") << "delete" << 0 << 0.0;
    }
    void manyChangesTravelTogether()
    {
        QFETCH(QString, kind);
        QFETCH(int, remaining);
        QFETCH(double, total);
        manyWeighings(240);
        ClientDataSet *cds = dm->cds_PesoMed;
        for (int i = 1; i <= 240; ++i) {
            if (kind == QLatin1String("insert")) {
                appendWeighing(240 + i, 240 + i, 250);
            } else if (kind == QLatin1String("modify")) {
                setWeight(i, 251);
            } else {
                cds->First();
                cds->Delete();
            }
        }
        QCOMPARE(cds->ChangeCount(), 240);
        const qint64 statements = fb::statementCount();
        QCOMPARE(cds->ApplyUpdates(0), 0);
        // Blocks of many statements each, not one statement per row.
        QVERIFY2(fb::statementCount() - statements <= 12,
                 qPrintable(QString::number(fb::statementCount() - statements)));
        QCOMPARE(cds->ChangeCount(), 0);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), remaining);
        QCOMPARE(scalar(QStringLiteral("select coalesce(sum(PESO), 0) from PESOMED")).toDouble(), total);
    }

    void refusalInABatch_data()
    {
        QTest::addColumn<bool>("allOrNothing");
        QTest::addColumn<bool>("duplicate");  // else: deleted by another workstation
        QTest::addColumn<bool>("first");      // the refused change first in the log, else last
        for (bool allOrNothing : {true, false})
            for (bool duplicate : {true, false})
                for (bool first : {true, false})
                    QTest::addRow("%s, %s, %s", allOrNothing ? "all or nothing" : "without limit",
                                  duplicate ? "identifier taken" : "row deleted elsewhere",
                                  first ? "first change" : "last change")
                        << allOrNothing << duplicate << first;
    }
    void refusalInABatch()
    {
        QFETCH(bool, allOrNothing);
        QFETCH(bool, duplicate);
        QFETCH(bool, first);
        manyWeighings(230);
        ClientDataSet *cds = dm->cds_PesoMed;
        // A new weighing whose identifier another workstation has taken meanwhile,
        // or a change of a weighing another workstation deletes.
        auto refused = [&] {
            if (duplicate) {
                appendWeighing(231, 231, 300);
                TestDb::weighing(231, QStringLiteral("02"), 9, 9, 1, 100);
            } else {
                setWeight(first ? 1 : 230, 300);
                TestDb::exec({QStringLiteral("delete from PESOMED where ID_PESOMED = %1").arg(first ? 1 : 230)});
            }
        };
        if (first)
            refused();
        for (int row = first ? 2 : 1; row <= (first ? 230 : 229); ++row)
            setWeight(row, 251);
        if (!first)
            refused();
        const int changes = cds->ChangeCount();
        QVERIFY(changes >= 229);
        const QString reason = duplicate ? QStringLiteral("violation of PRIMARY or UNIQUE KEY constraint")
                                         : QStringLiteral("a linha foi alterada ou excluída por outra estação.");
        if (allOrNothing) {
            // As the analysis writes: every change or none.
            try {
                dm->GravaJuntos({cds});
                QFAIL("written");
            } catch (const AppError &e) {
                QVERIFY2(e.text().startsWith(QStringLiteral("Nada foi gravado no banco de dados.\rMotivo: ") +
                                             (duplicate ? QString() : reason)),
                         qPrintable(e.text()));
                QVERIFY2(e.text().contains(reason), qPrintable(e.text()));
                QVERIFY2(!e.text().contains(QLatin1String("block")), qPrintable(e.text()));
            }
            QCOMPARE(cds->ChangeCount(), changes);
            QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where PESO <> 250")).toInt(),
                     duplicate ? 1 : 0);
        } else {
            // As each post writes: the others are stored, the refused one stays pending.
            QCOMPARE(cds->ApplyUpdates(-1), 1);
            QVERIFY2(cds->LastApplyError().contains(reason), qPrintable(cds->LastApplyError()));
            QCOMPARE(cds->ChangeCount(), 1);
            QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where PESO = 251")).toInt(), 229);
            QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where PESO = 300")).toInt(), 0);
        }
    }

    void writeBackShapeUsedAgainIsKeptPrepared()
    {
        twoOrders();
        openChain();
        ClientDataSet *cds = dm->cds_PesoMed;
        qint64 prepared = 0;
        for (int i = 0; i < 4; ++i) {
            setWeight(1, 260 + i);
            const qint64 before = fb::prepareCount();
            QCOMPARE(cds->ApplyUpdates(-1), 0);
            prepared += fb::prepareCount() - before;
            QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED where ID_PESOMED = 2")).toDouble(), 260.0 + i);
        }
        // Run at once the first time, prepared the second, reused after.
        QCOMPARE(prepared, 1);
    }

    void twoTablesWrittenTogether_data()
    {
        QTest::addColumn<bool>("resultDeletedElsewhere");
        QTest::newRow("both written") << false;
        QTest::newRow("result record refused") << true;
    }
    void twoTablesWrittenTogether()
    {
        QFETCH(bool, resultDeletedElsewhere);
        twoOrders();
        openChain();
        ClientDataSet *w = dm->cds_PesoMed;
        ClientDataSet *r = dm->cds_RPesoMed;
        setWeight(1, 260);
        setWeight(2, 261);
        r->Edit();
        r->FieldByName(QStringLiteral("RESULTADO")).SetAsString(QStringLiteral("Reprovado"));
        r->Post();
        if (resultDeletedElsewhere)
            TestDb::exec({QStringLiteral("delete from RPESOMED")});
        const qint64 statements = fb::statementCount();
        try {
            dm->GravaJuntos({w, r});
            QVERIFY(!resultDeletedElsewhere);
            // Weighings and result record in one request.
            QCOMPARE(fb::statementCount() - statements, 1);
        } catch (const AppError &e) {
            QVERIFY(resultDeletedElsewhere);
            QCOMPARE(e.text(), QStringLiteral("Nada foi gravado no banco de dados.\rMotivo: a linha foi alterada ou "
                                              "excluída por outra estação."));
        }
        QCOMPARE(scalar(QStringLiteral("select sum(PESO) from PESOMED")).toDouble(),
                 resultDeletedElsewhere ? 501.0 : 521.0);
        QCOMPARE(w->ChangeCount() + r->ChangeCount(), resultDeletedElsewhere ? 3 : 0);
        if (!resultDeletedElsewhere)
            QCOMPARE(scalar(QStringLiteral("select RESULTADO from RPESOMED")).toString(), QStringLiteral("Reprovado"));
    }

    void keyModeWritesChangedColumnsByKey()
    {
        twoOrders();
        openChain();
        // Another workstation notes something on the same weighing meanwhile.
        TestDb::exec({QStringLiteral("update PESOMED set OBS = 'conferido' where ID_PESOMED = 2")});
        ClientDataSet *cds = dm->cds_PesoMed;
        QVERIFY(cds->Locate(QStringLiteral("ID_PESOMED"), {2}));
        cds->Edit();
        cds->FieldByName(QStringLiteral("PESO")).SetAsFloat(249.5);
        cds->Post();
        QCOMPARE(cds->ApplyUpdates(-1), 0);
        QCOMPARE(cds->ChangeCount(), 0);
        QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED where ID_PESOMED = 2")).toDouble(), 249.5);
        QCOMPARE(scalar(QStringLiteral("select OBS from PESOMED where ID_PESOMED = 2")).toString(),
                 QStringLiteral("conferido"));
        cds->Delete();
        QCOMPARE(cds->ApplyUpdates(-1), 0);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where ID_PESOMED = 2")).toInt(), 0);
    }

    void allColumnsRefusesTwoRowChange()
    {
        // Two component rows equal in every column read.
        TestDb::component(QStringLiteral("01"), 1, 1, 1, QStringLiteral("CAFEINA"), 200);
        TestDb::component(QStringLiteral("01"), 1, 1, 1, QStringLiteral("CAFEINA"), 200);
        SqlDataSet sql(&dm->sqlcon1, QStringLiteral("select ESTACAO, NPEDIDO, NFORMULA, ORDEM, COMPONENTE, QDE "
                                                    "from COMPEDID"));
        DataSetProvider dsp(&sql, UpdateMode::WhereAll);
        ClientDataSet cds(QStringLiteral("cds"), &dsp);
        cds.Open();
        cds.Edit();
        cds.FieldByName(QStringLiteral("QDE")).SetAsFloat(5);
        cds.Post();
        QCOMPARE(cds.ApplyUpdates(-1), 1);
        QCOMPARE(scalar(QStringLiteral("select count(*) from COMPEDID where QDE = 200")).toInt(), 2);
        cds.CancelUpdates();
        cds.Delete();
        QCOMPARE(cds.ApplyUpdates(-1), 1);
        QCOMPARE(scalar(QStringLiteral("select count(*) from COMPEDID")).toInt(), 2);
        QCOMPARE(cds.ChangeCount(), 1);
    }

    void allColumnsRefusesRowChangedElsewhere()
    {
        TestDb::exec({QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO, P01) "
                                     "values ('0012', 'L1', '0', 96.123, 96.1)")});
        dm->PesoCaV->Open();
        TestDb::exec({QStringLiteral("update PESCAVAZ set P01 = 97.2")});
        dm->PesoCaV->Edit();
        dm->PesoCaV->FieldByName(QStringLiteral("PESOMEDIO")).SetAsFloat(90);
        dm->PesoCaV->Post();
        // Refused: the lot rules let the change go and read the list again.
        QCOMPARE(dm->PesoCaV->ChangeCount(), 0);
        QCOMPARE(scalar(QStringLiteral("select PESOMEDIO from PESCAVAZ")).toDouble(), 96.123);
        QCOMPARE(dm->PesoCaV->FieldByName(QStringLiteral("P01")).AsFloat(), 97.2);
        // Unchanged elsewhere since read, the same change is found by its decimal values.
        dm->PesoCaV->Edit();
        dm->PesoCaV->FieldByName(QStringLiteral("PESOMEDIO")).SetAsFloat(90);
        dm->PesoCaV->Post();
        QCOMPARE(dm->PesoCaV->ApplyUpdates(-1), 0);
        QCOMPARE(scalar(QStringLiteral("select PESOMEDIO from PESCAVAZ")).toDouble(), 90.0);
    }

    void fieldDefinitions_data()
    {
        QTest::addColumn<QString>("dataSet");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("required");
        QTest::addColumn<QString>("format");
        const int S = int(DataType::String), I = int(DataType::Integer), F = int(DataType::Float),
                  D = int(DataType::Decimal), T = int(DataType::Date);
        const QString p = QStringLiteral("#,##0.0000"), r = QStringLiteral("#,##0.000");
        auto row = [&](const char *ds, const char *f, int type, int size, bool req, const QString &fmt) {
            QTest::addRow("%s.%s", ds, f) << QString::fromLatin1(ds) << QString::fromLatin1(f) << type << size << req
                                          << fmt;
        };
        row("cds_PesoMed", "ID_PESOMED", I, 0, true, {});
        row("cds_PesoMed", "CHAVE", S, 20, false, {});
        row("cds_PesoMed", "ESTACAO", S, 3, true, {});
        row("cds_PesoMed", "NPEDIDO", I, 0, true, {});
        row("cds_PesoMed", "NFORMULA", I, 0, true, {});
        row("cds_PesoMed", "NUMCAP", I, 0, true, {});
        row("cds_PesoMed", "CODPEDIDO", I, 0, false, {});
        row("cds_PesoMed", "PESO", F, 0, false, p);
        row("cds_PesoMed", "VARIACAOPESO", F, 0, false, p);
        row("cds_PesoMed", "VARIACAOPESOPERC", F, 0, false, p);
        row("cds_PesoMed", "QUADRADOSUBTRACOES", F, 0, false, p);
        row("cds_PesoMed", "OBS", S, 200, false, {});
        row("cds_PesoMed", "PACIENTE", S, 100, false, {});
        row("cds_PesoMed", "RESULTADO", S, 100, false, {});
        row("cds_PesoMed", "DESVIOMEDIO", F, 0, false, QStringLiteral("#,##0.0000###"));
        row("cds_PesoMed", "PESOTEORICO", D, 0, false, {});
        row("cds_RPesoMed", "ID_RPESOMED", I, 0, true, {});
        row("cds_RPesoMed", "CHAVE", S, 20, false, {});
        row("cds_RPesoMed", "ESTACAO", S, 3, true, {});
        row("cds_RPesoMed", "NPEDIDO", I, 0, true, {});
        row("cds_RPesoMed", "NFORMULA", I, 0, true, {});
        row("cds_RPesoMed", "QDECAPS", I, 0, false, {});
        for (const char *f : {"PESOMEDIO", "DESVIOPADRAO", "COEFVARIACAO", "VARIANCIA", "PESOTOTAL", "MAXIMO", "MINIMO",
                              "AMPLITUDE", "VALORTEORICO", "MEDIA"})
            row("cds_RPesoMed", f, F, 0, false, r);
        row("cds_RPesoMed", "RESULTADO", S, 100, false, {});
        row("cds_RPesoMed", "MOTIVOS", S, 200, false, {});
        row("cds_RPesoMed", "PRECISAO", F, 0, false, {});
        row("cds_RPesoMed", "TOTAL_CAPSULAS", I, 0, false, r);
        row("cds_RPesoMed", "DATA_EMISSAO", T, 0, false, {});
        row("cds_RPesoMed", "DATA_ULT_ALT", T, 0, false, {});
        row("cds_RPesoMed", "MANIPULADOR", S, 60, false, {});
        row("cds_RPesoMed", "VARTEORMIN", D, 0, false, r);
        row("cds_RPesoMed", "VARTEORMAX", D, 0, false, r);
        row("PesoCaV", "CODFORN", S, 4, true, {});
        row("PesoCaV", "LOTE", S, 30, true, {});
        row("PesoCaV", "TAMCAP", S, 3, true, {});
        row("PesoCaV", "PESOMEDIO", D, 0, false, {});
        row("PesoCaV", "P01", D, 0, false, {});
        row("PesoCaV", "P20", D, 0, false, {});
    }
    void fieldDefinitions()
    {
        QFETCH(QString, dataSet);
        QFETCH(QString, field);
        QFETCH(int, type);
        QFETCH(int, size);
        QFETCH(bool, required);
        QFETCH(QString, format);
        auto *cds = dm->findChild<ClientDataSet *>(dataSet);
        QVERIFY(cds);
        cds->Open();
        const FieldDef &def = cds->FieldByName(field).def();
        QCOMPARE(int(def.type), type);
        QCOMPARE(def.size, size);
        QCOMPARE(def.required, required);
        QCOMPARE(def.displayFormat, format);
        // The statement's columns are the fields, in the same order.
        QCOMPARE(cds->FieldCount(), dataSet == QLatin1String("cds_RPesoMed") ? 27
                                    : dataSet == QLatin1String("PesoCaV")    ? 24
                                                                             : 16);
    }

    void fieldsShownInWorkstationFormat()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        twoOrders();
        openChain();
        ClientDataSet *cds = dm->cds_PesoMed;
        cds->Edit();
        cds->FieldByName(QStringLiteral("PESO")).SetAsFloat(1234.5);
        QCOMPARE(cds->FieldByName(QStringLiteral("PESO")).DisplayText(), QStringLiteral("1.234,5000"));
        cds->Cancel();
        dm->cds_RPesoMed->Edit();
        dm->cds_RPesoMed->FieldByName(QStringLiteral("PESOMEDIO")).SetAsFloat(250);
        QCOMPARE(dm->cds_RPesoMed->FieldByName(QStringLiteral("PESOMEDIO")).DisplayText(), QStringLiteral("250,000"));
        dm->cds_RPesoMed->Cancel();
        QLocale::setDefault(QLocale::c());
    }

    void fieldValuesAndRefusals()
    {
        twoOrders();
        openChain();
        ClientDataSet *cds = dm->cds_PesoMed;
        cds->Append();
        cds->FieldByName(QStringLiteral("estacao")).SetAsString(QStringLiteral("0123"));
        QCOMPARE(cds->FieldByName(QStringLiteral("ESTACAO")).AsString(), QStringLiteral("012"));
        // Empty fields read as 0 and as empty text.
        QCOMPARE(cds->FieldByName(QStringLiteral("PESO")).AsFloat(), 0.0);
        QCOMPARE(cds->FieldByName(QStringLiteral("NUMCAP")).AsInteger(), 0);
        QCOMPARE(cds->FieldByName(QStringLiteral("OBS")).AsString(), QString());
        try {
            cds->Post();
            QFAIL("posted without an identifier");
        } catch (const AppError &e) {
            QCOMPARE(e.text(), QStringLiteral("O campo 'ID_PESOMED' deve ter um valor."));
        }
        QCOMPARE(cds->State(), DataSetState::Insert);
        cds->Cancel();
        QCOMPARE(cds->ChangeCount(), 0);
        QVERIFY_THROWS_EXCEPTION(AppError, dm->cds_Pedidos->Edit());
        QVERIFY_THROWS_EXCEPTION(AppError, dm->cds_Compedid->Delete());
        QVERIFY_THROWS_EXCEPTION(AppError, cds->FieldByName(QStringLiteral("NAOEXISTE")));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 2);
    }

    void untouchedNewRowIsDiscardedOnMove()
    {
        twoOrders();
        openChain();
        ClientDataSet *cds = dm->cds_PesoMed;
        cds->Append();
        QCOMPARE(cds->RecordCount(), 3);
        cds->First();
        QCOMPARE(cds->State(), DataSetState::Browse);
        QCOMPARE(cds->RecordCount(), 2);
        QCOMPARE(cds->ChangeCount(), 0);
    }

    void eventsInOrder()
    {
        twoOrders();
        openChain();
        ClientDataSet *cds = dm->cds_PesoMed;
        QStringList log;
        cds->BeforeInsert = [&](ClientDataSet &) { log << "BeforeInsert"; };
        cds->AfterInsert = [&](ClientDataSet &) { log << "AfterInsert"; };
        cds->AfterPost = [&](ClientDataSet &) { log << "AfterPost"; };
        cds->AfterDelete = [&](ClientDataSet &) { log << "AfterDelete"; };
        cds->BeforeScroll = [&](ClientDataSet &) { log << "BeforeScroll"; };
        cds->AfterScroll = [&](ClientDataSet &) { log << "AfterScroll"; };
        appendWeighing(3, 3, 252);
        cds->Delete();
        cds->Next(); // already on the last row: no move
        dm->cds_Pediform->Next();
        QCOMPARE(log, QStringList({"BeforeInsert", "BeforeScroll", "AfterInsert", "AfterScroll", "AfterPost",
                                   "BeforeScroll", "AfterDelete", "AfterScroll", "BeforeScroll",
                                   "BeforeScroll", "AfterScroll"}));
    }

    void postErrorActions()
    {
        twoOrders();
        openChain();
        ClientDataSet *cds = dm->cds_PesoMed;
        int calls = 0;
        cds->OnPostError = [&](ClientDataSet &ds, const AppError &, DataAction &action) {
            if (++calls == 1) {
                ds.FieldByName(QStringLiteral("ID_PESOMED")).SetAsInteger(9);
                action = DataAction::Retry;
            }
        };
        cds->Append();
        for (const char *f : {"Estacao", "Npedido", "Nformula", "NumCap"})
            cds->FieldByName(QString::fromLatin1(f)).SetAsString(QStringLiteral("1"));
        cds->Post();
        QCOMPARE(calls, 1);
        QCOMPARE(cds->FieldByName(QStringLiteral("ID_PESOMED")).AsInteger(), 9);
        cds->OnPostError = [](ClientDataSet &, const AppError &, DataAction &action) { action = DataAction::Abort; };
        cds->Edit();
        cds->FieldByName(QStringLiteral("ID_PESOMED")).Clear();
        QVERIFY_THROWS_EXCEPTION(SilentAbort, cds->Post());
    }

    void refreshWithoutMasterKeepsRowNumber()
    {
        TestDb::exec({QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP) values ('0001', 'A', '0')"),
                      QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP) values ('0001', 'B', '0')"),
                      QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP) values ('0002', 'C', '1')")});
        ClientDataSet *cds = dm->PesoCaV;
        cds->Open();
        cds->SetRecNo(2);
        TestDb::exec({QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP) values ('0000', 'Z', '0')")});
        cds->Refresh();
        QCOMPARE(cds->RecordCount(), 4);
        QCOMPARE(cds->RecNo(), 2);
        QCOMPARE(cds->FieldByName(QStringLiteral("LOTE")).AsString(), QStringLiteral("A"));
        QVERIFY(cds->Locate(QStringLiteral("CODFORN;lote"), {QStringLiteral("0001"), QStringLiteral("b")},
                            LocateOptions{true, false}));
        QCOMPARE(cds->RecNo(), 3);
        QVERIFY(!cds->Locate(QStringLiteral("CODFORN;LOTE"), {QStringLiteral("0001"), QStringLiteral("b")}));
    }

    void failedReadsLeaveNoWrongRows()
    {
        twoOrders();
        openChain();
        QCOMPARE(dm->cds_Compedid->RecordCount(), 2);
        // The components' statement breaks: moving to another order cannot show
        // the previous formula's components as if they were the new one's.
        dm->sqlds_Compedid.CommandText = QStringLiteral("select * from COMPEDID_INEXISTENTE");
        QVERIFY_THROWS_EXCEPTION(fb::Error, dm->cds_Pedidos->Next());
        QVERIFY(dm->cds_Compedid->IsEmpty());
        QCOMPARE(dm->cds_Compedid->FieldByName(QStringLiteral("COMPONENTE")).AsString(), QString());

        // A failed re-read keeps the rows it had.
        TestDb::exec({QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP) values ('0001', 'A', '0')")});
        dm->PesoCaV->Open();
        dm->SQLDSPesoCaVaz.CommandText = QStringLiteral("select * from PESCAVAZ_INEXISTENTE");
        QVERIFY_THROWS_EXCEPTION(fb::Error, dm->PesoCaV->Refresh());
        QCOMPARE(dm->PesoCaV->RecordCount(), 1);
        QCOMPARE(dm->PesoCaV->FieldByName(QStringLiteral("LOTE")).AsString(), QStringLiteral("A"));

        // A failed opening leaves the dataset closed.
        dm->PesoCaV->Close();
        QVERIFY_THROWS_EXCEPTION(fb::Error, dm->PesoCaV->Open());
        QVERIFY(!dm->PesoCaV->Active());
        dm->sql_Pedidos.CommandText = QStringLiteral("select * from PEDIDOS_INEXISTENTE");
        dm->cds_Pedidos->Close();
        QVERIFY_THROWS_EXCEPTION(fb::Error, dm->cds_Pedidos->Open());
        QVERIFY(!dm->cds_Pedidos->Active());
        QVERIFY(!dm->cds_Pedidos->CanFetchMore());
    }

    void genericQuery()
    {
        dm->ConsultaGenerica(QStringLiteral("Select Max(ID_PESOMED) as ULTID from pesomed"));
        QCOMPARE(dm->cds_Generico->FieldByName(QStringLiteral("ULTID")).AsInteger(), 0);
        QCOMPARE(dm->cds_Generico->FieldByName(QStringLiteral("ultid")).AsString(), QString());
        TestDb::weighing(41, QStringLiteral("01"), 1, 1, 1, 250);
        dm->ConsultaGenerica(QStringLiteral("Select Max(ID_PESOMED) as ULTID, min(PESO) as PesoMin from pesomed"));
        QCOMPARE(dm->cds_Generico->FieldByName(QStringLiteral("ULTID")).AsInteger(), 41);
        QCOMPARE(dm->cds_Generico->FieldByName(QStringLiteral("PESOMIN")).AsFloat(), 250.0);
    }
};

QTEST_GUILESS_MAIN(TstDataSet)
#include "tst_dataset.moc"
