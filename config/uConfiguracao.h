#pragma once
// The suite configuration file VELTRAMO.INI, read once at start-up from the
// folder of the executable. Fixed-width lines: key in columns 1-48, value in
// columns 50-109. Every known key keeps its own value; the module uses the
// server address, the background colour and the unit of weights.
// The values are written only here (and the unit's default by the main window);
// call from the UI thread only.

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Folder of the executable, ending with '/'; set at the start of the reading.
extern QString CaminhoSistema;
// A file of the installation given by its path under the installation root
// C:\VELTRAMO\ ("CaminhoGDS.txt", "RPT/rptPesoMed.rav"). On Windows the fixed
// path itself; elsewhere the root stands for CaminhoSistema and each part of
// the path is matched without regard to case. The path as it would be when
// the file does not exist.
QString ArquivoInstalacao(const QString &relativo);
// Whether the fixed paths are used literally (Windows).
bool CaminhosLiterais();

// Database server address, at most 60 characters.
extern QString IPServidorCentral;
// Background colour of the main window (red in the lowest byte); 0 by default.
extern qint32 CorFundoTelas;
// Unit of the weights in capitals, at most 30 characters; "G" means grams.
extern QString UnidadePesoMedio;
// Folder of the manual database backup; not used by this module.
extern QString CaminhoBackupManual;

// The 109 known keys, 48 characters each, in their usual order in the file.
const QStringList &ChavesConfiguracao();
// Stored value of one of those keys (empty for an unknown key); for the colour
// key, the number in decimal.
QString ValorConfiguracao(const QString &chave);
// Every value back to its default: empty texts, colour 0, unit empty.
void ReiniciaConfiguracao();

// The text without its leading and trailing blanks (character 32 only).
QString TiraEspacos(const QString &texto);

// Sets CaminhoSistema to the executable's folder and reads the file there.
// Missing file: shows the message and throws ProgramExit{0}.
// Unreadable file or a colour that is not a whole number: throws AppError;
// the values read before remain and the rest of the file is ignored.
void LeConfiguracao();
// The same reading with a given folder instead of the executable's.
void LeConfiguracaoDe(const QString &pasta);
