// The rooms' categories, and the hook's writer into them.

#include "platform/qt/diagnosticaqt.h"

#include <QDateTime>
#include <QMessageLogger>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace lumetto::platform {

namespace {

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
    // One category a room, "lumetto." and the hook's own name of it, made on
    // first use and kept to the end (a category keeps its name's pointer).
    // Debug messages are off unless a rule turns them on.
    struct Categorie {
        std::array<std::string, diagnostica::kStanze> nomi;
        std::array<std::unique_ptr<QLoggingCategory>, diagnostica::kStanze> categorie;
        Categorie() {
            for (int i = 0; i < diagnostica::kStanze; ++i) {
                nomi[i] = "lumetto." + std::string(diagnostica::nome(diagnostica::Stanza(i)));
                categorie[i] = std::make_unique<QLoggingCategory>(nomi[i].c_str(), QtInfoMsg);
            }
        }
    };
    static const Categorie tutte;
    const int i = static_cast<int>(s);
    // Anything else is the platform's, as the hook's first room.
    return *tutte.categorie[static_cast<size_t>(i >= 0 && i < diagnostica::kStanze ? i : 0)];
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
