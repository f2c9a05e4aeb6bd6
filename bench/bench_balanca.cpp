// The reader's own cost per weight: a balance played by this program on a
// pseudo-terminal answers each request at once, and the time from its reply
// being written to the weight signalled is measured, per protocol, median over
// many readings. Then the cost of interpreting one line alone.
//   bench_balanca [readings per protocol, default 1000]

#include "bench/Medidas.h"

#include "balance/LeitorBalanca.h"
#include "config/uConfiguracao.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

namespace {

struct Caso {
    ProtocoloBalanca protocolo;
    QByteArray resposta;
};

// One protocol: readings answered at once, the delays from reply to signal in ms.
QList<double> mede(const Caso &caso, int leituras)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        qFatal("posix_openpt");
    const QByteArray escravo = ::ptsname(master);
    // The terminal's own end raw and kept open, as the simulated balance does.
    const int fd = ::open(escravo.constData(), O_RDWR | O_NOCTTY);
    termios t {};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);

    ConfiguracaoBalanca c;
    c.porta = QString::fromLocal8Bit(escravo);
    c.protocolo = caso.protocolo;
    c.teclaImprimir = false;
    LeitorBalanca leitor(c);

    QElapsedTimer relogio;
    relogio.start();
    qint64 enviada = 0;
    QList<double> tempos;
    QEventLoop laco;
    auto responde = [&] {
        enviada = relogio.nsecsElapsed();
        if (::write(master, caso.resposta.constData(), size_t(caso.resposta.size())) != caso.resposta.size())
            qFatal("write");
    };
    QSocketNotifier pedidos(master, QSocketNotifier::Read);
    QObject::connect(&pedidos, &QSocketNotifier::activated, [&] {
        char buf[256];
        if (::read(master, buf, sizeof buf) > 0)
            responde();
    });
    QObject::connect(&leitor, &LeitorBalanca::falha, [&](const QString &m) { qFatal("%s", qPrintable(m)); });
    QObject::connect(&leitor, &LeitorBalanca::pesoLido, [&](double) {
        tempos << (relogio.nsecsElapsed() - enviada) / 1e6;
        if (tempos.size() == leituras)
            laco.quit();
        else
            QMetaObject::invokeMethod(&leitor, [&] { leitor.ler(); }, Qt::QueuedConnection);
    });
    // Continuous mode asks nothing: the line comes once the port listens.
    QObject::connect(&leitor, &LeitorBalanca::lendoMudou, [&](bool lendo) {
        if (lendo && caso.protocolo == ProtocoloBalanca::Continuo)
            QMetaObject::invokeMethod(&leitor, [&] {
                if (leitor.aberta())
                    responde();
            }, Qt::QueuedConnection);
    });
    leitor.ler();
    if (caso.protocolo == ProtocoloBalanca::Continuo) {
        // The first line waits until the port is in step.
        QTimer::singleShot(200, [&] { responde(); });
    }
    laco.exec();
    leitor.fecha();
    ::close(fd);
    ::close(master);
    return tempos.mid(20); // without the first ones: opening, caches
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int leituras = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    UnidadePesoMedio = QStringLiteral("MG");
    const QList<std::pair<const char *, Caso>> casos = {
        {"MT-SICS", {ProtocoloBalanca::MtSics, "S S     0.3746 g\r\n"}},
        {"SBI", {ProtocoloBalanca::Sbi, "+   0.3746 g  \r\n"}},
        {"AND", {ProtocoloBalanca::And, "ST,+0000.3746  g\r\n"}},
        {"CONTINUO", {ProtocoloBalanca::Continuo, "+   0.3746 g  \r\n"}},
    };
    std::printf("reply written -> weight signalled, %d readings per protocol\n", leituras);
    for (const auto &[nome, caso] : casos) {
        QList<double> t = mede(caso, leituras + 20);
        std::sort(t.begin(), t.end());
        std::printf("  %-9s median %.3f ms   90%% %.3f ms   max %.3f ms\n", nome, median(t),
                    t[int(t.size() * 0.9)], t.last());
        tableRow(QStringLiteral("balance reply to weight signalled, %1").arg(QLatin1String(nome)),
                 QStringLiteral("%1 readings").arg(t.size()), t);
    }

    const QByteArray linha = "S S     0.3746 g";
    const QRegularExpression semPadrao;
    const int n = 200000;
    QElapsedTimer relogio;
    relogio.start();
    double soma = 0;
    for (int i = 0; i < n; ++i)
        soma += InterpretaLinha(ProtocoloBalanca::MtSics, linha, UnidadePesoMedio, semPadrao).peso;
    const double porLinha = relogio.nsecsElapsed() / 1e6 / n;
    std::printf("one MT-SICS line interpreted: %.2f us (%g)\n", porLinha * 1e3, soma / n);
    tableRow(QStringLiteral("one MT-SICS line interpreted (mean)"), QStringLiteral("%1 lines").arg(n), {porLinha});
    std::printf("resident memory %ld kB\n", residentKb());
    return 0;
}
