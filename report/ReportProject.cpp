#include "report/ReportProject.h"

#include "core/AppError.h"
#include "core/Messages.h"
#include "report/ReportData.h"
#include "report/ReportModels.h"
#include "report/ReportSystem.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

const ReportDefinition *ReportProjectData::report(const QString &name) const
{
    for (const ReportDefinition &r : reports)
        if (r.name == name)
            return &r;
    return nullptr;
}

namespace {

class ProjectReader {
public:
    explicit ProjectReader(const QString &path) : m_path(path) {}

    [[noreturn]] void fail(const QString &problem) const
    {
        throw AppError(QStringLiteral("Projeto de relatórios %1, linha %2: %3").arg(m_path).arg(m_line).arg(problem));
    }

    double number(const QString &text) const
    {
        bool ok = false;
        const double value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok || value < 0)
            fail(QStringLiteral("medida inválida \"%1\"").arg(text));
        return value;
    }

    Qt::Alignment alignment(const QString &text) const
    {
        const QString t = text.toLower();
        if (t == QLatin1String("esquerda"))
            return Qt::AlignLeft;
        if (t == QLatin1String("direita"))
            return Qt::AlignRight;
        if (t == QLatin1String("centro"))
            return Qt::AlignHCenter;
        fail(QStringLiteral("alinhamento inválido \"%1\" (esquerda, direita ou centro)").arg(text));
    }

    QStringList parts(const QString &value, int count) const
    {
        QStringList list = value.split(QLatin1Char('|'));
        for (QString &p : list)
            p = p.trimmed();
        if (list.size() != count)
            fail(QStringLiteral("esperadas %1 partes separadas por \"|\"").arg(count));
        return list;
    }

    void set(ReportDefinition &r, const QString &key, const QString &value)
    {
        if (key == QLatin1String("modelo")) {
            r.model = value;
        } else if (key == QLatin1String("dados")) {
            r.dataConnection = value;
        } else if (key == QLatin1String("papel")) {
            if (value.compare(QLatin1String("A4"), Qt::CaseInsensitive) != 0)
                fail(QStringLiteral("papel \"%1\" não suportado (A4)").arg(value));
            r.paper = QStringLiteral("A4");
        } else if (key == QLatin1String("margens")) {
            const QStringList m = value.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            if (m.size() != 4)
                fail(QStringLiteral("margens: quatro medidas, superior, direita, inferior e esquerda"));
            r.margins = QMarginsF(number(m[3]), number(m[0]), number(m[1]), number(m[2]));
        } else if (key == QLatin1String("titulo")) {
            r.title = value;
        } else if (key == QLatin1String("subtitulo")) {
            r.subtitle = value;
        } else if (key == QLatin1String("assinatura")) {
            r.signature = value;
        } else if (key == QLatin1String("coluna")) {
            const QStringList p = parts(value, 4);
            r.columns.append({p[0], p[1], number(p[2]), alignment(p[3])});
        } else if (key == QLatin1String("resumo")) {
            const QStringList p = parts(value, 2);
            r.summary.append({p[0], p[1]});
        } else {
            fail(QStringLiteral("chave desconhecida \"%1\"").arg(key));
        }
    }

    ReportProjectData read(const QString &text)
    {
        ReportProjectData data;
        ReportDefinition *current = nullptr;
        const QStringList lines = text.split(QLatin1Char('\n'));
        static const QRegularExpression section(QStringLiteral("^\\[\\s*relatorio\\s+(\\S+)\\s*\\]$"));
        for (m_line = 1; m_line <= lines.size(); ++m_line) {
            const QString line = lines[m_line - 1].trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
                continue;
            if (line.startsWith(QLatin1Char('['))) {
                const QRegularExpressionMatch m = section.match(line);
                if (!m.hasMatch())
                    fail(QStringLiteral("seção inválida; use [relatorio Nome]"));
                finish(current);
                if (data.report(m.captured(1)))
                    fail(QStringLiteral("relatório \"%1\" repetido").arg(m.captured(1)));
                data.reports.append(ReportDefinition());
                current = &data.reports.last();
                current->name = m.captured(1);
                m_sectionLine = m_line;
                continue;
            }
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq <= 0)
                fail(QStringLiteral("esperado \"chave = valor\""));
            if (!current)
                fail(QStringLiteral("configuração fora de um [relatorio]"));
            set(*current, line.left(eq).trimmed().toLower(), line.mid(eq + 1).trimmed());
        }
        finish(current);
        return data;
    }

private:
    void finish(const ReportDefinition *r)
    {
        if (!r)
            return;
        const int line = m_line;
        m_line = m_sectionLine;
        if (r->model.isEmpty())
            fail(QStringLiteral("o relatório \"%1\" não diz o seu modelo").arg(r->name));
        if (!findReportModel(r->model))
            fail(QStringLiteral("modelo desconhecido \"%1\"").arg(r->model));
        if (r->dataConnection.isEmpty())
            fail(QStringLiteral("o relatório \"%1\" não diz os seus dados").arg(r->name));
        m_line = line;
    }

    QString m_path;
    int m_line = 0;
    int m_sectionLine = 0;
};

} // namespace

ReportProjectData parseReportProject(const QString &text, const QString &path)
{
    return ProjectReader(path).read(text);
}

ReportProject::ReportProject(QObject *parent) : QObject(parent) {}

void ReportProject::Open()
{
    if (m_loaded)
        return;
    if (!QFileInfo::exists(ProjectFile))
        throw AppError(QStringLiteral("Projeto de relatórios %1 não encontrado.").arg(ProjectFile));
    QFile file(ProjectFile);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Não foi possível ler o projeto de relatórios %1: %2").arg(ProjectFile, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(
            QStringLiteral("Não foi possível ler o projeto de relatórios %1: %2").arg(ProjectFile, file.errorString()));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        throw AppError(QStringLiteral("Projeto de relatórios %1: o texto não está em UTF-8.").arg(ProjectFile));
    text.remove(QLatin1Char('\r'));
    m_data = parseReportProject(text, ProjectFile);
    m_loaded = true;
}

void ReportProject::Close()
{
    m_data = ReportProjectData();
    m_loaded = false;
}

ReportDataConnection *ReportProject::connection(const QString &name) const
{
    return parent() ? parent()->findChild<ReportDataConnection *>(name) : nullptr;
}

void ReportProject::ExecuteReport(const QString &name)
{
    Open();
    const ReportDefinition *found = m_data.report(name);
    if (!found)
        return;
    const ReportDefinition definition = *found;
    ReportDataConnection *data = connection(definition.dataConnection);
    if (!data || !data->DataSet)
        throw AppError(QStringLiteral("Projeto de relatórios %1: o relatório \"%2\" lê os dados \"%3\", que não "
                                      "existem.")
                           .arg(ProjectFile, definition.name, definition.dataConnection));
    if (!Engine)
        throw AppError(QStringLiteral("O projeto de relatórios não tem sistema de relatórios."));
    const ReportModel model = findReportModel(definition.model);
    // Rows the layout will not print: the user is told why, and nothing is asked.
    if (const ReportRefusal refusal = findReportRefusal(definition.model)) {
        const QString why = refusal(*data->DataSet);
        if (!why.isEmpty()) {
            messages().information(why);
            return;
        }
    }
    const double unitsPerInch = Engine->UnitsFactor;
    Engine->Execute(definition.name, [&](const ReportProgress &progress) {
        ReportDocument document = model(definition, *data->DataSet, progress, data->Registro);
        rescaleReport(document, unitsPerInch);
        return document;
    });
}
