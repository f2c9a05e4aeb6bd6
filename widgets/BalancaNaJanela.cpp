#include "widgets/BalancaNaJanela.h"

#include "balance/LeitorBalanca.h"
#include "core/Messages.h"
#include "widgets/ErrorHandler.h"

#include <QLabel>

BalancaNaJanela::BalancaNaJanela(QObject *parent, QLabel *estado, std::function<bool()> temFoco,
                                 std::function<void(double)> recebe)
    : QObject(parent), m_estado(estado), m_temFoco(std::move(temFoco)), m_recebe(std::move(recebe))
{
    LeitorBalanca &balanca = BalancaDoPrograma();
    connect(&balanca, &LeitorBalanca::pesoLido, this, &BalancaNaJanela::lido);
    connect(&balanca, &LeitorBalanca::pesoEspontaneo, this, &BalancaNaJanela::espontaneo);
    connect(&balanca, &LeitorBalanca::falha, this, &BalancaNaJanela::falhou);
    connect(&balanca, &LeitorBalanca::lendoMudou, this, &BalancaNaJanela::mostraEstado);
    // While the balance settles, its live weight: an unstable balance is not
    // taken for one that does not answer.
    connect(&balanca, &LeitorBalanca::pesoInstavel, this, [this](const QString &numero, const QString &unidade) {
        if (m_pediu && m_estado)
            m_estado->setText(QStringLiteral("Lendo a balança… %1 %2 instável (Esc para desistir)").arg(numero, unidade));
    });
    // The print key is heard from the moment the window exists; a port that
    // cannot be opened now is reported by the first F6.
    if (balanca.configurada() && !balanca.aberta())
        balanca.abre();
    mostraEstado(false);
}

const QString &BalancaNaJanela::TextoLendo()
{
    static const QString texto = QStringLiteral("Lendo a balança… (Esc para desistir)");
    return texto;
}

void BalancaNaJanela::Ler()
{
    LeitorBalanca &balanca = BalancaDoPrograma();
    if (balanca.lendo())
        return;
    m_pediu = true;
    balanca.ler();
}

bool BalancaNaJanela::Cancela()
{
    if (!m_pediu)
        return false;
    m_pediu = false;
    BalancaDoPrograma().cancela();
    mostraEstado(false);
    return true;
}

void BalancaNaJanela::mostraEstado(bool lendo)
{
    if (m_estado) {
        m_estado->setText(lendo && m_pediu ? TextoLendo() : QString());
        m_estado->setVisible(lendo && m_pediu);
    }
}

void BalancaNaJanela::lido(double peso)
{
    if (!m_pediu)
        return;
    m_pediu = false;
    mostraEstado(false);
    guarded([&] { m_recebe(peso); });
}

void BalancaNaJanela::espontaneo(double peso)
{
    if (m_pediu || !m_temFoco())
        return;
    guarded([&] { m_recebe(peso); });
}

void BalancaNaJanela::falhou(const QString &mensagem)
{
    // A fault of this window's reading, or of a weight sent unasked to it.
    if (!m_pediu && !m_temFoco())
        return;
    m_pediu = false;
    mostraEstado(false);
    messages().error(mensagem);
}
