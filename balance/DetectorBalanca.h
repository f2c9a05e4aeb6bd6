#pragma once
// Finds the balance: tries each port with each maker's factory settings,
// asking only the read-only questions for model and serial number, and stops
// at the first that answers. Asynchronous, on the UI thread. The port of each
// try is held only during the try.

#include "balance/ConfiguracaoBalanca.h"

#include <QObject>
#include <QTimer>

class LeitorBalanca;

class DetectorBalanca : public QObject {
    Q_OBJECT
public:
    explicit DetectorBalanca(QObject *parent = nullptr);
    ~DetectorBalanca() override;

    // The settings tried for these ports, in order: each port with MT-SICS,
    // SBI and A&D at their factory settings; base gives the rest (wait, print key).
    static QList<ConfiguracaoBalanca> Tentativas(const QStringList &portas, const ConfiguracaoBalanca &base);

    void detecta(const QList<ConfiguracaoBalanca> &tentativas);
    void para();
    bool detectando() const { return m_indice != -1; }

    // Longest time one try may take.
    static constexpr int kEsperaPorTentativaMs = 4000;

signals:
    // Before each try: what is being tried.
    void tentando(const ConfiguracaoBalanca &configuracao);
    void encontrada(const ConfiguracaoBalanca &configuracao, const QString &modelo, const QString &numeroDeSerie);
    void naoEncontrada();

private:
    void proxima();
    void identificada();

    LeitorBalanca *m_leitor;
    QList<ConfiguracaoBalanca> m_tentativas;
    qsizetype m_indice = -1;
    QTimer m_limite;
};
