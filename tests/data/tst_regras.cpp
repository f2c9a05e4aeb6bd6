// Rules of the weighings and result records against the real server:
// identifiers, keys, capsule numbers, the result record of a first weighing,
// write-back after each post and delete, and two workstations at once.

#include "data/udm.h"
#include "tests/support/TestDb.h"

#include <QProcess>
#include <QTest>

#include <memory>

namespace {

using TestDb::scalar;
using TestDb::weigh;
using TestDb::workstation;

QList<int> capsules(TDM &dm)
{
    QList<int> list;
    for (int r = 0; r < dm.cds_PesoMed->RecordCount(); ++r)
        list.append(dm.cds_PesoMed->rowValue(r, dm.cds_PesoMed->FieldIndex(QStringLiteral("NUMCAP"))).toInt());
    return list;
}

} // namespace

class TstRegras : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        TestDb::reset();
        TestDb::order(QStringLiteral("01"), 1234);
        TestDb::formula(QStringLiteral("01"), 1234, 1);
        TestDb::formula(QStringLiteral("01"), 1234, 2);
        TestDb::order(QStringLiteral("01"), 1234567);
        TestDb::formula(QStringLiteral("01"), 1234567, 12);
    }

    void textKey_data()
    {
        QTest::addColumn<QString>("estacao");
        QTest::addColumn<qlonglong>("npedido");
        QTest::addColumn<qlonglong>("nformula");
        QTest::addColumn<QString>("chave");
        QTest::newRow("padded") << "01" << 1234LL << 2LL << "010012342";
        QTest::newRow("seven digits kept") << "01" << 1234567LL << 12LL << "01123456712";
        QTest::newRow("six digits") << "02" << 123456LL << 1LL << "021234561";
        QTest::newRow("small") << "01" << 7LL << 3LL << "010000073";
    }
    void textKey()
    {
        QFETCH(QString, estacao);
        QFETCH(qlonglong, npedido);
        QFETCH(qlonglong, nformula);
        QFETCH(QString, chave);
        QCOMPARE(ChaveFormula(estacao, npedido, nformula), chave);
    }

    void firstWeighingsOfAFormula()
    {
        // Another formula's result record already holds identifier 7.
        TestDb::exec({QStringLiteral("insert into RPESOMED (ID_RPESOMED, ESTACAO, NPEDIDO, NFORMULA) "
                                     "values (7, '02', 1, 1)")});
        auto dm = workstation();
        QVERIFY(dm->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {1234}));
        QVERIFY(dm->cds_Pediform->Locate(QStringLiteral("NFORMULA"), {2}));

        dm->cds_PesoMed->Append();
        ClientDataSet *w = dm->cds_PesoMed;
        QCOMPARE(w->FieldByName(QStringLiteral("ID_PESOMED")).AsInteger(), 1);
        QCOMPARE(w->FieldByName(QStringLiteral("NUMCAP")).AsInteger(), 1);
        QCOMPARE(w->FieldByName(QStringLiteral("CHAVE")).AsString(), QStringLiteral("010012342"));
        QCOMPARE(w->FieldByName(QStringLiteral("ESTACAO")).AsString(), QStringLiteral("01"));
        // The formula's result record, pending in insert state.
        ClientDataSet *r = dm->cds_RPesoMed;
        QCOMPARE(r->State(), DataSetState::Insert);
        QCOMPARE(r->FieldByName(QStringLiteral("ID_RPESOMED")).AsInteger(), 8);
        QCOMPARE(r->FieldByName(QStringLiteral("CHAVE")).AsString(), QStringLiteral("010012342"));
        QCOMPARE(r->FieldByName(QStringLiteral("NFORMULA")).AsInteger(), 2);
        QCOMPARE(r->FieldByName(QStringLiteral("DATA_EMISSAO")).AsDateTime(), QDate::currentDate());
        w->FieldByName(QStringLiteral("PESO")).SetAsFloat(250.5);
        w->Post();
        QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED where ID_PESOMED = 1")).toDouble(), 250.5);
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED")).toInt(), 1);

        // The second weighing: next capsule, no new result record; the first
        // result record is stored when the result dataset is searched again.
        weigh(*dm, 251);
        QCOMPARE(capsules(*dm), QList<int>({1, 2}));
        QCOMPARE(w->FieldByName(QStringLiteral("ID_PESOMED")).AsInteger(), 2);
        QCOMPARE(w->FieldByName(QStringLiteral("NUMCAP")).AsInteger(), 2);
        QCOMPARE(r->State(), DataSetState::Browse);
        QCOMPARE(r->RecordCount(), 1);
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED")).toInt(), 2);
        QCOMPARE(scalar(QStringLiteral("select CHAVE from RPESOMED where ID_RPESOMED = 8")).toString(),
                 QStringLiteral("010012342"));
    }

    void keyOfAnOrderOfSevenDigits()
    {
        auto dm = workstation();
        QVERIFY(dm->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {1234567}));
        weigh(*dm, 300);
        QCOMPARE(scalar(QStringLiteral("select CHAVE from PESOMED")).toString(), QStringLiteral("01123456712"));
        // Moving to another order stores the pending result record.
        dm->cds_Pedidos->First();
        QCOMPARE(scalar(QStringLiteral("select CHAVE from RPESOMED")).toString(), QStringLiteral("01123456712"));
    }

    void capsuleNumbersAfterDeletion_data()
    {
        QTest::addColumn<int>("deleted");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("a middle capsule leaves a gap") << 3 << QList<int>({1, 2, 4, 5, 6});
        QTest::newRow("the last capsule is numbered again") << 5 << QList<int>({1, 2, 3, 4, 5});
    }
    void capsuleNumbersAfterDeletion()
    {
        QFETCH(int, deleted);
        QFETCH(QList<int>, after);
        auto dm = workstation();
        for (int i = 1; i <= 5; ++i)
            weigh(*dm, 250 + i);
        QCOMPARE(capsules(*dm), QList<int>({1, 2, 3, 4, 5}));
        QVERIFY(dm->cds_PesoMed->Locate(QStringLiteral("NUMCAP"), {deleted}));
        dm->cds_PesoMed->Delete();
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 4);
        weigh(*dm, 260);
        QCOMPARE(capsules(*dm), after);
    }

    void postedWeighingStaysCurrent()
    {
        auto dm = workstation();
        for (int i = 1; i <= 4; ++i)
            weigh(*dm, 250 + i);
        ClientDataSet *w = dm->cds_PesoMed;
        QVERIFY(w->Locate(QStringLiteral("NUMCAP"), {2}));
        w->Edit();
        w->FieldByName(QStringLiteral("PESO")).SetAsFloat(249);
        w->Post();
        QCOMPARE(w->RecNo(), 2);
        QCOMPARE(w->FieldByName(QStringLiteral("NUMCAP")).AsInteger(), 2);
        QCOMPARE(w->FieldByName(QStringLiteral("PESO")).AsFloat(), 249.0);
        QCOMPARE(w->ChangeCount(), 0);
    }

    void abandonedWeighingLeavesNoRow()
    {
        auto dm = workstation();
        dm->cds_PesoMed->Append();
        dm->cds_PesoMed->Cancel();
        QVERIFY(dm->cds_PesoMed->IsEmpty());
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 0);
        // Its result record waits, pending, for the next search of the result dataset.
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED")).toInt(), 0);
        dm->cds_RPesoMed->Locate(QStringLiteral("NFORMULA"), {1});
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED")).toInt(), 1);
    }

    void verdictColourFollowsTheResultRow()
    {
        TestDb::exec({QStringLiteral("insert into RPESOMED (ID_RPESOMED, ESTACAO, NPEDIDO, NFORMULA, RESULTADO) "
                                     "values (1, '01', 1234, 1, 'Aprovado')"),
                      QStringLiteral("insert into RPESOMED (ID_RPESOMED, ESTACAO, NPEDIDO, NFORMULA, RESULTADO) "
                                     "values (2, '01', 1234, 2, 'Reprovado')")});
        auto dm = workstation();
        QStringList seen;
        const auto conexao =
            QObject::connect(dm.get(), &TDM::ColoreVeredito, [&](const QString &resultado) { seen.append(resultado); });
        dm->cds_Pediform->Next();
        // Before the move the row left, after it the row arrived at.
        QCOMPARE(seen, QStringList({QStringLiteral("Aprovado"), QStringLiteral("Reprovado")}));
        QObject::disconnect(conexao);
        dm->cds_Pediform->Prior();
        QCOMPARE(seen.size(), 2);
    }

    void twoWorkstationsSameIdentifier()
    {
        auto a = workstation();
        auto b = workstation();
        // Both start a weighing of the same formula before either posts.
        a->cds_PesoMed->Append();
        b->cds_PesoMed->Append();
        QCOMPARE(a->cds_PesoMed->FieldByName(QStringLiteral("ID_PESOMED")).AsInteger(), 1);
        QCOMPARE(b->cds_PesoMed->FieldByName(QStringLiteral("ID_PESOMED")).AsInteger(), 1);
        QCOMPARE(b->cds_PesoMed->FieldByName(QStringLiteral("NUMCAP")).AsInteger(), 1);
        a->cds_PesoMed->FieldByName(QStringLiteral("PESO")).SetAsFloat(250);
        a->cds_PesoMed->Post();
        // The second is refused on the key and written again with the next
        // identifier and capsule number, with nothing for its user to do.
        b->cds_PesoMed->FieldByName(QStringLiteral("PESO")).SetAsFloat(312.25);
        b->cds_PesoMed->Post();
        QCOMPARE(b->cds_PesoMed->ChangeCount(), 0);
        QCOMPARE(b->cds_PesoMed->FieldByName(QStringLiteral("ID_PESOMED")).AsInteger(), 2);
        QCOMPARE(b->cds_PesoMed->FieldByName(QStringLiteral("NUMCAP")).AsInteger(), 2);
        QCOMPARE(b->cds_PesoMed->FieldByName(QStringLiteral("PESO")).AsFloat(), 312.25);
        QCOMPARE(capsules(*b), QList<int>({1, 2}));
        QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED where ID_PESOMED = 1")).toDouble(), 250.0);
        QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED where ID_PESOMED = 2")).toDouble(), 312.25);
        QCOMPARE(scalar(QStringLiteral("select NUMCAP from PESOMED where ID_PESOMED = 2")).toInt(), 2);
        // Their result records, numbered at the same moment too: one per formula.
        a->cds_Pediform->Next();
        b->cds_Pediform->Next();
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED")).toInt(), 1);
    }

    void rowLockedByAnotherIsWaitedForThenWritten()
    {
        auto a = workstation();
        weigh(*a, 250);
        // Another workstation changes the weighing and holds it, uncommitted,
        // for a moment; this one corrects it meanwhile.
        QProcess outra;
        outra.setProcessChannelMode(QProcess::MergedChannels);
        outra.start(QStringLiteral("bash"),
                    {QStringLiteral("-c"),
                     QStringLiteral("(echo 'update PESOMED set PESO = 260 where ID_PESOMED = 1;'; sleep 2; "
                                    "echo 'commit;') | isql-fb -q -user SYSDBA -password tamarindo '%1'")
                         .arg(TestDb::location())});
        QVERIFY(outra.waitForStarted());
        QTest::qWait(700);
        a->cds_PesoMed->Edit();
        a->cds_PesoMed->FieldByName(QStringLiteral("PESO")).SetAsFloat(270);
        a->cds_PesoMed->Post();
        QVERIFY(outra.waitForFinished(20000));
        // Waited for, then written: the last correction stands, nothing pending.
        QCOMPARE(a->cds_PesoMed->ChangeCount(), 0);
        QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED where ID_PESOMED = 1")).toDouble(), 270.0);
    }

    void refusalThatPersistsIsReported()
    {
        auto a = workstation();
        weigh(*a, 250);
        // Another workstation removes the weighing; correcting it here cannot be written.
        TestDb::exec({QStringLiteral("delete from PESOMED")});
        a->cds_PesoMed->Edit();
        a->cds_PesoMed->FieldByName(QStringLiteral("PESO")).SetAsFloat(251);
        try {
            a->cds_PesoMed->Post();
            QFAIL("a change of a removed row was reported as written");
        } catch (const AppError &e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("A pesagem não foi gravada no banco de dados e continua "
                                                        "pendente nesta estação.\rMotivo: ")),
                     qPrintable(e.text()));
        }
        // The weight typed is not lost: still on screen, pending.
        QCOMPARE(a->cds_PesoMed->ChangeCount(), 1);
        QCOMPARE(a->cds_PesoMed->FieldByName(QStringLiteral("PESO")).AsFloat(), 251.0);
    }

    void emptyTextIsNoValue()
    {
        auto dm = workstation();
        ClientDataSet *w = dm->cds_PesoMed;
        weigh(*dm, 250);
        // A required text emptied by the user is refused; nothing reaches the database.
        w->Edit();
        w->FieldByName(QStringLiteral("ESTACAO")).SetAsString(QString());
        QVERIFY(w->FieldByName(QStringLiteral("ESTACAO")).IsNull());
        try {
            w->Post();
            QFAIL("an empty station was accepted");
        } catch (const AppError &e) {
            QCOMPARE(e.text(), QStringLiteral("O campo 'ESTACAO' deve ter um valor."));
        }
        w->Cancel();
        QCOMPARE(scalar(QStringLiteral("select ESTACAO from PESOMED")).toString(), QStringLiteral("01"));
        // An empty text that may be empty is stored as NULL.
        w->Edit();
        w->FieldByName(QStringLiteral("OBS")).SetAsString(QStringLiteral("Não Conforme"));
        w->Post();
        w->Edit();
        w->FieldByName(QStringLiteral("OBS")).SetAsString(QString());
        w->Post();
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where OBS is null")).toInt(), 1);
    }

    void textTheDatabaseCannotHold_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("recusa");   // the character named, empty when stored as typed
        QTest::newRow("accents and signs") << QStringLiteral("Não Conforme – 7,5% “ok” €") << QString();
        QTest::newRow("lines and tab") << QStringLiteral("linha 1\r\nlinha 2\tfim") << QString();
        QTest::newRow("quotes and comment") << QStringLiteral("x'; delete from PESOMED; --") << QString();
        QTest::newRow("chinese") << QStringLiteral("peso 中") << QStringLiteral("\"中\"");
        QTest::newRow("emoji") << QStringLiteral("ok 😀") << QStringLiteral("\"😀\"");
        QTest::newRow("control") << QStringLiteral("a\x01" "b") << QStringLiteral("um caractere de controle (código 1)");
        QTest::newRow("escape") << QStringLiteral("\x1b[2J") << QStringLiteral("um caractere de controle (código 27)");
    }
    void textTheDatabaseCannotHold()
    {
        QFETCH(QString, texto);
        QFETCH(QString, recusa);
        auto dm = workstation();
        ClientDataSet *w = dm->cds_PesoMed;
        weigh(*dm, 250);
        w->Edit();
        try {
            w->FieldByName(QStringLiteral("OBS")).SetAsString(texto);
            w->Post();
            QVERIFY2(recusa.isEmpty(), "a text the database cannot hold was taken");
            QCOMPARE(scalar(QStringLiteral("select OBS from PESOMED")).toString(), texto);
        } catch (const AppError &e) {
            QVERIFY2(!recusa.isEmpty(), qPrintable(e.text()));
            QVERIFY2(e.text().startsWith(QStringLiteral("O campo 'OBS' não aceita ") + recusa), qPrintable(e.text()));
            w->Cancel();
            QVERIFY(scalar(QStringLiteral("select OBS from PESOMED")).isNull());
        }
    }

    void twoWorkstationsOneResultRecord_data()
    {
        QTest::addColumn<bool>("voltaAFormula");
        QTest::newRow("stays on the formula") << false;
        QTest::newRow("comes back to the formula") << true;
    }
    void twoWorkstationsOneResultRecord()
    {
        QFETCH(bool, voltaAFormula);
        // The first workstation looks at formula 1, still without weighings.
        auto a = workstation();
        QVERIFY(a->cds_PesoMed->IsEmpty());
        QVERIFY(a->cds_RPesoMed->IsEmpty());
        // The second weighs and analyses it meanwhile.
        auto b = workstation();
        weigh(*b, 250);
        weigh(*b, 251);
        b->cds_RPesoMed->Edit();
        b->cds_RPesoMed->FieldByName(QStringLiteral("RESULTADO")).SetAsString(QStringLiteral("Aprovado"));
        b->cds_RPesoMed->Post();
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED")).toInt(), 1);
        if (voltaAFormula) {
            a->cds_Pediform->Next();
            a->cds_Pediform->Prior();
            // The formula that had no rows is read again: the other's weighings show.
            QCOMPARE(capsules(*a), QList<int>({1, 2}));
            QCOMPARE(a->cds_RPesoMed->FieldByName(QStringLiteral("RESULTADO")).AsString(), QStringLiteral("Aprovado"));
        }
        // The first now weighs: its capsule follows the others' and it finds
        // the stored result record instead of adding a second one.
        weigh(*a, 252);
        QCOMPARE(a->cds_PesoMed->FieldByName(QStringLiteral("NUMCAP")).AsInteger(), 3);
        a->cds_Pediform->Next();
        a->cds_Pediform->Prior();
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED where NPEDIDO = 1234 and NFORMULA = 1")).toInt(), 1);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 3);
        QCOMPARE(a->cds_RPesoMed->RecordCount(), 1);
        QCOMPARE(a->cds_RPesoMed->FieldByName(QStringLiteral("RESULTADO")).AsString(), QStringLiteral("Aprovado"));
    }
};

QTEST_GUILESS_MAIN(TstRegras)
#include "tst_regras.moc"
