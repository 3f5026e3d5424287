// The rooms' categories, and the hook's writer into them.

#include "platform/qt/diagnosticaqt.h"

#include <QDateTime>
#include <QMessageLogger>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumetto::platform {

namespace {

// Debug messages off unless a rule turns them on.
Q_LOGGING_CATEGORY(lcPlatform, "lumetto.platform", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSerial, "lumetto.serial", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLink, "lumetto.link", QtInfoMsg)
Q_LOGGING_CATEGORY(lcXls, "lumetto.xls", QtInfoMsg)
Q_LOGGING_CATEGORY(lcArchivio, "lumetto.archivio", QtInfoMsg)
Q_LOGGING_CATEGORY(lcClasse, "lumetto.classe", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSchemes, "lumetto.schemes", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAnalisi, "lumetto.analisi", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAcquisition, "lumetto.acquisition", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPanels, "lumetto.panels", QtInfoMsg)
Q_LOGGING_CATEGORY(lcScheda, "lumetto.scheda", QtInfoMsg)

bool attiva(diagnostica::Stanza s) {
    return categoria(s).isDebugEnabled();
}

void scrivi(diagnostica::Stanza s, std::string_view testo) {
    QMessageLogger().debug(categoria(s)).noquote()
        << QString::fromUtf8(testo.data(), static_cast<qsizetype>(testo.size()));
}

FILE* file = nullptr;  // the log's file, kept open to the end
QtMessageHandler prima = nullptr;

void nelfile(QtMsgType tipo, const QMessageLogContext& contesto, const QString& testo) {
    static const char* const livelli[] = {"debug", "warning", "critical", "fatal", "info"};
    const int l = static_cast<int>(tipo);
    const QByteArray riga =
        (QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + ' ' +
         QString::fromLatin1(contesto.category ? contesto.category : "default") + ' ' +
         QString::fromLatin1(l >= 0 && l < 5 ? livelli[l] : "?") + ": " + testo + '\n')
            .toUtf8();
    // One write per line: lines of several threads never mix.
    std::fwrite(riga.constData(), 1, static_cast<size_t>(riga.size()), file);
    std::fflush(file);
    if (tipo == QtFatalMsg && prima) prima(tipo, contesto, testo);
}

}  // namespace

const QLoggingCategory& categoria(diagnostica::Stanza s) {
    using diagnostica::Stanza;
    switch (s) {
        case Stanza::serial:
            return lcSerial();
        case Stanza::link:
            return lcLink();
        case Stanza::xls:
            return lcXls();
        case Stanza::archivio:
            return lcArchivio();
        case Stanza::classe:
            return lcClasse();
        case Stanza::schemes:
            return lcSchemes();
        case Stanza::analisi:
            return lcAnalisi();
        case Stanza::acquisition:
            return lcAcquisition();
        case Stanza::panels:
            return lcPanels();
        case Stanza::scheda:
            return lcScheda();
        case Stanza::platform:
            break;
    }
    return lcPlatform();
}

void instradadiagnostica() {
    diagnostica::imposta({attiva, scrivi});
}

std::optional<std::string> accendidiagnostica(const std::string& nome) {
    if (!nome.empty()) {
        FILE* f = std::fopen(nome.c_str(), "a");
        if (!f)
            return "il file del registro diagnostico «" + nome +
                   "» non si apre: " + std::strerror(errno);
        file = f;
        prima = qInstallMessageHandler(nelfile);
    }
    // Rules given by hand in QT_LOGGING_RULES are read after these, and win.
    QLoggingCategory::setFilterRules(QStringLiteral("lumetto.*.debug=true"));
    return std::nullopt;
}

}  // namespace lumetto::platform
