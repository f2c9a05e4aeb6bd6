#pragma once
// The simulated balance of tools/ for tests: started with its options, it
// answers on a pseudo-terminal whose path (or the link asked for) it prints.
// Its log ("recebido: ...", "enviado: ...") lets a test wait for what the
// balance did. Killed when destroyed.

#include <QProcess>
#include <QString>
#include <QStringList>

class BalancaSimulada {
public:
    BalancaSimulada() = default;
    ~BalancaSimulada();
    BalancaSimulada(const BalancaSimulada &) = delete;
    BalancaSimulada &operator=(const BalancaSimulada &) = delete;

    // Starts it and waits for the path; false when it did not start.
    bool inicia(const QStringList &opcoes);
    // The terminal the reader opens.
    const QString &porta() const { return m_porta; }
    // One line to its standard input: options, "tecla", "envia TEXT".
    void comanda(const QString &linha);
    // Waits until n log lines begin with inicio; false when they did not come.
    bool espera(const QString &inicio, int n = 1);
    int conta(const QString &inicio) const;
    // Pulls the plug: killed at once.
    void mata();

private:
    void le();

    QProcess m_processo;
    QString m_porta;
    QStringList m_registro;
    QByteArray m_resto;
};
