// Start-up of the main window against the configuration beside the executable,
// and the general error handler.

#include "app/uPesoMed.h"
#include "config/uConfiguracao.h"
#include "core/AppError.h"
#include "tests/support/MessageRecorder.h"
#include "widgets/ErrorHandler.h"

#include <QFile>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>

namespace {

QString iniPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/VELTRAMO.INI");
}

QByteArray line(const char *key, const char *value)
{
    return QByteArray(key).leftJustified(48, ' ') + ' ' + value + "\r\n";
}

const char *kCor = "COR DE FUNDO DAS TELAS.........................:";
const char *kIp = "IP DO SERVIDOR CENTRAL.........................:";

} // namespace

class TstPrincipal : public QObject {
    Q_OBJECT

    void writeIni(const QByteArray &content)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

private slots:
    void init() { ReiniciaConfiguracao(); }
    void cleanup() { QFile::remove(iniPath()); }

    void missingConfigurationEndsWithMessage()
    {
        QFile::remove(iniPath());
        MessageRecorder recorder;
        try {
            Tfrm_Principal window;
            QFAIL("the window was created");
        } catch (const ProgramExit &exit) {
            QCOMPARE(exit.status, 0);
        }
        QCOMPARE(recorder.entries().size(), 1);
        QCOMPARE(recorder.entries().first().kind, MessageRecorder::Kind::Simple);
        QCOMPARE(recorder.entries().first().text,
                 QStringLiteral("Arquivo VELTRAMO.INI não encontrado. Execute o programa Korvel.exe para criá-lo."));
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void backgroundColour_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("errors");
        QTest::newRow("no colour line: black") << line(kIp, "127.0.0.1") << QColor(Qt::black) << 0;
        QTest::newRow("255 is red") << line(kCor, "255") << QColor(255, 0, 0) << 0;
        QTest::newRow("blue in the third byte") << line(kCor, "16711680") << QColor(0, 0, 255) << 0;
        QTest::newRow("not a number: design colour kept") << line(kCor, "azul") << QColor() << 1;
    }
    void backgroundColour()
    {
        QFETCH(QByteArray, content);
        QFETCH(QColor, colour);
        QFETCH(int, errors);
        writeIni(content);
        MessageRecorder recorder;
        Tfrm_Principal window;
        QCOMPARE(recorder.entries().size(), errors);
        QCOMPARE(UnidadePesoMedio, QStringLiteral("MG"));
        if (errors) {
            QCOMPARE(recorder.entries().first().kind, MessageRecorder::Kind::Error);
            QCOMPARE(recorder.entries().first().text, QStringLiteral("'azul' is not a valid integer value"));
            QVERIFY(window.mdiArea()->background().color() != QColor(Qt::black));
        } else {
            QCOMPARE(window.mdiArea()->background().color(), colour);
        }
    }

    void uncaughtErrorIsShownAndProgramGoesOn()
    {
        QPushButton button(QStringLiteral("x"));
        int clicks = 0;
        connect(&button, &QPushButton::clicked, [&] {
            ++clicks;
            throw AppError(QStringLiteral("Falha de teste"));
        });
        MessageRecorder recorder;
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 2);
        QCOMPARE(recorder.texts(), QStringList({QStringLiteral("Falha de teste"), QStringLiteral("Falha de teste")}));
    }
};

int main(int argc, char **argv)
{
    Aplicacao app(argc, argv);
    TstPrincipal test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_principal.moc"
