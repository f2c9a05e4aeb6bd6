// The configuration reader over any file content: it either keeps values or
// raises its errors, and every value stays within its width.
#include "config/uConfiguracao.h"
#include "core/AppError.h"
#include "core/Messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

struct Silencio : MessageService {
    void simple(const QString &) override {}
    void information(const QString &) override {}
    void error(const QString &) override {}
    bool confirm(const QString &) override { return false; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Silencio silencio;
    static QTemporaryDir pasta(QStringLiteral("/dev/shm/fuzz-config-XXXXXX"));
    setMessageService(&silencio);
    QFile arquivo(QDir(pasta.path()).filePath(QStringLiteral("VELTRAMO.INI")));
    if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    arquivo.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    arquivo.close();
    ReiniciaConfiguracao();
    try {
        LeConfiguracaoDe(pasta.path());
    } catch (const AppError &) {
    } catch (const ProgramExit &) {
    }
    if (IPServidorCentral.size() > 60 || UnidadePesoMedio.size() > 30)
        std::abort();
    for (const QString &chave : ChavesConfiguracao())
        if (ValorConfiguracao(chave).size() > 60)
            std::abort();
    return 0;
}
